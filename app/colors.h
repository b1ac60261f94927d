#pragma once
#include <QColor>

// The window's palette, as red, green, blue.
inline const QColor clrGrey{128, 128, 128};
inline const QColor clrSilver{192, 192, 192};
inline const QColor clrRed{255, 0, 0};
inline const QColor clrOrange{255, 170, 0};
inline const QColor clrLime{0, 255, 0};
inline const QColor clrGreen{0, 128, 0};
inline const QColor clrLightRed{255, 91, 91};
inline const QColor clrWhite{255, 255, 255};
inline const QColor clrBlue{0, 0, 255};
inline const QColor clrBlack{0, 0, 0};
inline const QColor clrCommDark{0, 68, 0};
inline const QColor clrCommLit{0, 187, 0};
inline const QColor clrStripe{255, 128, 64};

// The platform's face and text colours.
QColor clrFace();
QColor clrWindowText();
