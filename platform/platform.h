// The one layer through which the windows use the window system: measures in twips, the
// screen, the beep, the busy pointer, the Japanese design fonts. Nothing outside platform/
// includes platform-specific headers.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>

class QWidget;

namespace selvane::platform {

// Twips per pixel from the primary screen's logical dots per inch: 1440 / dpi (15 at 96 dpi).
double TwipsPerPixelX();
double TwipsPerPixelY();
int TwipsToPixelsX(double twips);
int TwipsToPixelsY(double twips);
double PixelsToTwipsX(double pixels);
double PixelsToTwipsY(double pixels);
// The primary screen's size in twips.
double ScreenWidthTwips();
double ScreenHeightTwips();

// The system beep.
void Beep();
// The screen-wide pointer: the hourglass (busy) or the default.
void SetBusyPointer(bool busy);

// Maps the design's font names to installed Japanese Gothic faces ("ＭＳ Ｐゴシック" to IPAPGothic,
// "ＭＳ ゴシック" to IPAGothic, else any Japanese Gothic found). Call once after the application
// object exists.
void InstallFontSubstitutions();
// The proportional and the fixed-pitch design fonts at a point size.
inline const QString kPGothic = QStringLiteral("ＭＳ Ｐゴシック");
inline const QString kGothic = QStringLiteral("ＭＳ ゴシック");
QFont DesignFont(const QString& family, double pointSize, bool bold = false);

}  // namespace selvane::platform
