#pragma once
// The encoder's command table, unlock prefix and configuration frames.
// Indexes run 1..7 and the row is the encoder's Multiturn flag (0 or 1);
// anything else throws std::out_of_range("Range check error").
#include <QByteArray>
#include <QtGlobal>

namespace Palvo_konstante {

constexpr int FirstCommand = 1;
constexpr int LastCommand = 7;

char CommandChars(int index);
qint32 ReplyLengths(int multiturn, int index);

// 0x9E 0x27 0x4D 0xB6, the start of every configuration frame.
extern const QByteArray UNLOCK;

QByteArray frameMultiturnZero();        // UNLOCK "M" 00 00 00 00
QByteArray frameZeroOffsetTemplate();   // UNLOCK "Z" 00 00 00 02; bytes 6-9 take the offset
QByteArray frameSave();                 // UNLOCK "c"
QByteArray frameFactoryReset();         // UNLOCK "r"
QByteArray frameStartSelfCal();         // UNLOCK "A"

}   // namespace Palvo_konstante
