#include "link/palvo_konstante.h"

#include <stdexcept>

namespace Palvo_konstante {

namespace {

// The 21 bytes of the table: command bytes, then single-turn and multiturn
// reply lengths.
constexpr quint8 CommandTable[7] = {0x31, 0x33, 0x64, 0x74, 0x69, 0x76, 0x72};
constexpr quint8 LengthTable[2][7] = {
    {0x03, 0x02, 0x04, 0x05, 0x02, 0x07, 0x1C},
    {0x05, 0x04, 0x06, 0x07, 0x02, 0x07, 0x1C},
};

void checkIndex(int index)
{
    if (index < FirstCommand || index > LastCommand)
        throw std::out_of_range("Range check error");
}

QByteArray frame(char letter, const char *value = nullptr)
{
    QByteArray f = UNLOCK;
    f.append(letter);
    if (value)
        f.append(value, 4);
    return f;
}

}   // namespace

const QByteArray UNLOCK = QByteArray::fromHex("9e274db6");

char CommandChars(int index)
{
    checkIndex(index);
    return char(CommandTable[index - 1]);
}

qint32 ReplyLengths(int multiturn, int index)
{
    checkIndex(index);
    if (multiturn < 0 || multiturn > 1)
        throw std::out_of_range("Range check error");
    return LengthTable[multiturn][index - 1];
}

QByteArray frameMultiturnZero()
{
    return frame('M', "\x00\x00\x00\x00");
}
QByteArray frameZeroOffsetTemplate()
{
    return frame('Z', "\x00\x00\x00\x02");
}
QByteArray frameSave()
{
    return frame('c');
}
QByteArray frameFactoryReset()
{
    return frame('r');
}
QByteArray frameStartSelfCal()
{
    return frame('A');
}

}   // namespace Palvo_konstante
