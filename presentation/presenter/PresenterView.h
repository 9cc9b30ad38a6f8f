#pragma once

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TIniFile;

// What the presenter window shows and where it goes, as plain values.

// The entry the show steps to next: the first of the step's candidates (StepCandidates, forward) that
// `canShow` accepts, so that an entry the step would pass over is passed over here too. -1 when the step
// would change nothing (a list of one entry or none, or no entry that can be shown).
int NextShownEntry(const QStringList& fileNames, const QString& current,
                   const std::function<bool(int)>& canShow);

// "7 / 42"; "– / 42" while the picture shown is no entry of the list.
QString PositionText(int position, int count);
// The time left until the next automatic step, in whole seconds rounded up: "Next in 0:07", "Next in
// 1:05"; "Advance paused, 0:07 left" while it is held.
QString CountdownText(qint64 remainingMs, bool paused);
// A picture's size in pixels, "6000 × 4000"; empty for an empty size.
QString PictureSizeText(QSize size);

// The entries the presenter's strip shows round entry `current` (0-based; -1 when the picture shown is
// no entry): up to `each` on either side within the list, in list order, the current one among them; the
// first entries when there is no current one.
std::vector<int> NeighbourEntries(int current, int count, int each);

// When the picture was taken, from its EXIF data (DateTimeOriginal, else DateTime): "2024-05-17 14:03";
// empty when the file has none. Never raises.
QString DateTakenText(const QString& path);

// The audience monitor as the presenter shows it: a screen of `screen` (device pixels) fitted into
// `pane`, black, with the picture surface's fitted copy `fitted` at `fittedAt` scaled down with it; all
// black when `blank`. Made from the copy the audience sees (its watermark included), never from the
// full picture. Null when there is no screen or pane.
QImage MirrorPicture(const QImage& fitted, const QRect& fittedAt, QSize screen, QSize pane, bool blank);

// The picture part of a list thumbnail: the thumbnail's picture is fitted into it and centred, with
// bands of the list's colour `background` above and below it or left and right of it, which the
// presenter does not show (its panes are black). The bands are the rows (or columns) at both edges that
// are all of that colour, as many at each; the thumbnail itself when there are none, or when there are
// such bands both ways (a picture with edges of that colour).
QImage ThumbnailPicture(const QImage& thumbnail, const QColor& background);

// The presenter window opens with a show when the setting asks for it and the audience monitor is not
// the operator's (indices into the same list of monitors; -1 is none).
bool PresenterOpens(bool setting, int monitorCount, int audience, int operatorMonitor);

// Where the presenter window goes on the operator's monitor (`operatorArea`, its work area): its
// remembered place when that lies on the operator's monitor (its centre inside the area); else the
// remembered size (the default size when there is none) centred there. The size never exceeds the
// area.
QRect PresenterPlacement(const QRect& remembered, const QRect& operatorArea);
inline constexpr QSize PresenterDefaultSize{900, 600};

// The presenter window's place as the settings file keeps it, in its own section "Presenter" (keys
// "Left", "Top", "Width", "Height"); empty when the file has none or a size that is not positive.
QRect LoadPresenterPlace(const TIniFile& file);
void SavePresenterPlace(TIniFile& file, const QRect& place);
