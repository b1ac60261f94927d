#pragma once
// Pure decoders of the encoder's reply layouts. Positions count from 1 in the
// protocol; here they are 0-based offsets into the reply.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace replies {

// Position word at `offset`: 2 bytes (single-turn) or 4 (multiturn), big-endian,
// zero-extended. Throws std::out_of_range("Range check error") if the reply is short.
qint64 positionWord(const QByteArray &reply, int offset, bool multiturn);
int positionWordSize(bool multiturn);

// Offset of the position word for a polling command index (1..4): the reply
// to "3" (index 2) has no echo byte. Other indexes throw "Range check error".
int positionOffset(quint8 index);

// (word >> (16 - resolutionBits)) & mask; resolutionBits above 16 throws.
quint32 singleTurnCount(qint64 word, quint8 resolutionBits, quint32 mask);
qint16 turnCount(qint64 word);     // bits 31..16 as two's complement
bool errorActive(qint64 word);     // bit 1 clear
bool warningActive(qint64 word);   // bit 0 clear

// The status byte of "d", active high.
struct DetailedStatus {
    bool signalHigh;       // bit 7, warning
    bool signalLow;        // bit 6, warning
    bool temperature;      // bit 5, warning
    bool speed;            // bit 4, error
    bool multiturnError;   // bit 3, error
    bool acceleration;     // bit 1, error
    bool safety;           // bit 0, error
};
DetailedStatus detailedStatus(quint8 status);

qint16 temperature(const QByteArray &reply, int offset);   // tenths of a degree, signed BE

struct CalStatus {
    quint8 counter;    // bits 1..0
    bool timeout;      // bit 2
    bool outOfRange;   // bit 3
    bool effective;    // bit 4
    quint8 faults;     // bits 2..5 shifted down (0..15); 0 = no fault
};
CalStatus calStatus(quint8 status);

struct Identification {
    bool productNameOk;      // bytes 2-7 are "Palvo "
    QByteArray partNumber;   // bytes 7-22
    QByteArray firmware;     // "a.b.c.d" from bytes 24-28
};
// Needs a reply of at least 28 bytes; throws "Range check error" otherwise.
Identification identification(const QByteArray &reply);

// A valid answer to "v": exactly 7 bytes, the first "v".
bool serialReplyValid(const QByteArray &reply);
QByteArray serialNumber(const QByteArray &reply);   // bytes 2-7; throws if short

}   // namespace replies
