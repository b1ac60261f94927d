#include "link/replies.h"

#include <stdexcept>

namespace replies {

namespace {

void need(const QByteArray &reply, int offset, int count)
{
    if (offset < 0 || count < 0 || qint64(offset) + count > reply.size())
        throw std::out_of_range("Range check error");
}

quint8 at(const QByteArray &reply, int offset)
{
    return quint8(reply.at(offset));
}

}   // namespace

int positionWordSize(bool multiturn)
{
    return multiturn ? 4 : 2;
}

qint64 positionWord(const QByteArray &reply, int offset, bool multiturn)
{
    const int size = positionWordSize(multiturn);
    need(reply, offset, size);
    quint32 word = 0;
    for (int i = 0; i < size; ++i)
        word = (word << 8) | at(reply, offset + i);
    return qint64(word);   // zero-extended: bit 31 set stays positive
}

int positionOffset(quint8 index)
{
    switch (index) {
    case 2:
        return 0;   // "3" answers without an echo byte
    case 1:
    case 3:
    case 4:
        return 1;
    default:
        throw std::out_of_range("Range check error");
    }
}

quint32 singleTurnCount(qint64 word, quint8 resolutionBits, quint32 mask)
{
    if (resolutionBits > 16)
        throw std::out_of_range("Range check error");
    return quint32(quint64(word) >> (16 - resolutionBits)) & mask;
}

qint16 turnCount(qint64 word)
{
    return qint16(quint16(quint64(word) >> 16));
}

bool errorActive(qint64 word)
{
    return (word & 0x2) == 0;
}

bool warningActive(qint64 word)
{
    return (word & 0x1) == 0;
}

DetailedStatus detailedStatus(quint8 s)
{
    return DetailedStatus{bool(s & 0x80), bool(s & 0x40), bool(s & 0x20), bool(s & 0x10),
                          bool(s & 0x08), bool(s & 0x02), bool(s & 0x01)};
}

qint16 temperature(const QByteArray &reply, int offset)
{
    need(reply, offset, 2);
    return qint16(quint16((at(reply, offset) << 8) | at(reply, offset + 1)));
}

CalStatus calStatus(quint8 s)
{
    return CalStatus{quint8(s & 0x03), bool(s & 0x04), bool(s & 0x08), bool(s & 0x10),
                     quint8((s >> 2) & 0x0F)};
}

Identification identification(const QByteArray &reply)
{
    need(reply, 0, 28);
    Identification id;
    id.productNameOk = reply.mid(1, 6) == "Palvo ";
    id.partNumber = reply.mid(6, 16);
    const unsigned build = (unsigned(at(reply, 26)) << 8) | at(reply, 27);
    id.firmware = QByteArray::number(at(reply, 23)) + '.' + QByteArray::number(at(reply, 24)) + '.' +
                  QByteArray::number(at(reply, 25)) + '.' + QByteArray::number(build);
    return id;
}

bool serialReplyValid(const QByteArray &reply)
{
    return reply.size() == 7 && reply.at(0) == 'v';
}

QByteArray serialNumber(const QByteArray &reply)
{
    need(reply, 1, 6);
    return reply.mid(1, 6);
}

}   // namespace replies
