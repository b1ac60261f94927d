// SplitFields on arbitrary text: the first byte picks the delimiter, the rest is
// UTF-8 text (invalid sequences included).
#include <QString>
#include <QStringList>
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/fuzz_check.h"
#include "tools/orodja.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    static const char delimiters[] = {';', ',', ' ', '\t'};
    const QChar delimiter = QLatin1Char(delimiters[data[0] % sizeof delimiters]);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));

    QStringList fields{QStringLiteral("stale")};
    SplitFields(text, delimiter, fields);

    qsizetype unquotedDelimiters = 0;
    bool inQuotes = false;
    bool latin1 = true;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            inQuotes = !inQuotes;
        else if (c == delimiter && !inQuotes)
            ++unquotedDelimiters;
        latin1 = latin1 && c.unicode() <= 0xFF;
    }

    FUZZ_CHECK(!fields.isEmpty());
    bool anyFull = false;
    for (const QString &field : fields) {
        FUZZ_CHECK(field.size() <= 255);
        anyFull = anyFull || field.size() == 255;
        for (QChar c : field)
            FUZZ_CHECK(c.unicode() <= 0xFF);
    }

    if (delimiter == QLatin1Char(' ')) {
        // Blank fields between spaces are dropped; the last field always stays.
        FUZZ_CHECK(fields.size() <= unquotedDelimiters + 1);
    } else {
        FUZZ_CHECK(fields.size() == unquotedDelimiters + 1);
        // Nothing cut and nothing replaced: the fields give back the text.
        if (latin1 && !anyFull)
            FUZZ_CHECK(fields.join(delimiter) == text);
    }
    return 0;
}
