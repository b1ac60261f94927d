#pragma once
// What the self-calibration shows, as pure functions of what it read.
#include <QColor>
#include <QtGlobal>

// Progress of a run in tenths of a second, rounded to the nearest, halves to
// the even neighbour.
int selfCalProgress(quint32 elapsedMs);

// Colours of the five result lamps from the last status byte.
struct SelfCalLamps {
    QColor finished, effective, outOfRange, timeout, successful;
};
SelfCalLamps selfCalLamps(bool finished, quint8 status);

// The status bits that spoil a calibration (2..5).
constexpr quint8 SelfCalFaultMask = 0x3C;
