#include "update/version_record.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr quint32 NoteType = 1;
constexpr quint32 FixedInfoSignature = 0xFEEF04BDu;
constexpr quint32 SectionTypeNote = 7;
// Bounds on what we are willing to read from a file we did not write.
constexpr quint64 MaxSectionTable = 4u << 20;
constexpr quint64 MaxNoteSection = 1u << 20;

class Reader {
public:
    Reader(const QByteArray &bytes, bool bigEndian) : m_bytes(bytes), m_big(bigEndian) {}
    bool has(quint64 offset, quint64 size) const
    {
        return offset <= quint64(m_bytes.size()) && size <= quint64(m_bytes.size()) - offset;
    }
    quint64 u(quint64 offset, int size) const
    {
        quint64 v = 0;
        for (int i = 0; i < size; ++i) {
            const quint64 byte = quint8(m_bytes[qsizetype(offset + (m_big ? i : size - 1 - i))]);
            v = (v << 8) | byte;
        }
        return v;
    }

private:
    const QByteArray &m_bytes;
    bool m_big;
};

QByteArray readAt(QFile &file, quint64 offset, quint64 size)
{
    if (offset > quint64(file.size()) || size > quint64(file.size()) - offset || !file.seek(qint64(offset)))
        return {};
    QByteArray data = file.read(qint64(size));
    return data.size() == qsizetype(size) ? data : QByteArray();
}

std::optional<FixedFileVersion> findInNotes(const QByteArray &notes, bool big)
{
    const Reader r(notes, big);
    quint64 pos = 0;
    const auto align4 = [](quint64 n) { return (n + 3) & ~quint64(3); };
    while (r.has(pos, 12)) {
        const quint64 nameSize = r.u(pos, 4);
        const quint64 descSize = r.u(pos + 4, 4);
        const quint64 type = r.u(pos + 8, 4);
        const quint64 nameAt = pos + 12;
        const quint64 descAt = nameAt + align4(nameSize);
        if (!r.has(nameAt, align4(nameSize)) || !r.has(descAt, descSize))
            return std::nullopt;
        if (type == NoteType && nameSize == 8 &&
            notes.mid(qsizetype(nameAt), 8) == QByteArray("Corvane", 8) && descSize >= 16 &&
            r.u(descAt, 4) == FixedInfoSignature)
            return FixedFileVersion{quint32(r.u(descAt + 8, 4)), quint32(r.u(descAt + 12, 4))};
        pos = descAt + align4(descSize);
    }
    return std::nullopt;
}

}   // namespace

std::optional<FixedFileVersion> readVersionRecord(const QString &programFile)
{
    if (!QFileInfo(programFile).isFile())
        return std::nullopt;
    QFile file(programFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;

    const QByteArray header = file.read(64);
    if (header.size() < 52 || !header.startsWith("\x7f"
                                                 "ELF"))
        return std::nullopt;
    const bool is64 = header[4] == 2;
    const bool big = header[5] == 2;
    if ((header[4] != 1 && !is64) || (header[5] != 1 && !big))
        return std::nullopt;
    const Reader h(header, big);
    if (is64 && !h.has(0, 64))
        return std::nullopt;
    const quint64 tableAt = is64 ? h.u(0x28, 8) : h.u(0x20, 4);
    const quint64 entrySize = is64 ? h.u(0x3A, 2) : h.u(0x2E, 2);
    quint64 count = is64 ? h.u(0x3C, 2) : h.u(0x30, 2);
    const quint64 minEntry = is64 ? 64 : 40;
    if (tableAt == 0 || entrySize < minEntry)
        return std::nullopt;
    if (count == 0) {
        // Extended numbering: the real count is the size field of section 0.
        const QByteArray first = readAt(file, tableAt, entrySize);
        if (first.isEmpty())
            return std::nullopt;
        count = is64 ? Reader(first, big).u(32, 8) : Reader(first, big).u(20, 4);
    }
    if (count == 0 || count > MaxSectionTable / entrySize)
        return std::nullopt;
    const QByteArray table = readAt(file, tableAt, count * entrySize);
    if (table.isEmpty())
        return std::nullopt;

    const Reader t(table, big);
    for (quint64 i = 0; i < count; ++i) {
        const quint64 e = i * entrySize;
        if (t.u(e + 4, 4) != SectionTypeNote)
            continue;
        const quint64 offset = is64 ? t.u(e + 24, 8) : t.u(e + 16, 4);
        const quint64 size = is64 ? t.u(e + 32, 8) : t.u(e + 20, 4);
        if (size == 0 || size > MaxNoteSection)
            continue;
        const QByteArray notes = readAt(file, offset, size);
        if (notes.isEmpty())
            continue;
        if (auto found = findInNotes(notes, big))
            return found;
    }
    return std::nullopt;
}
