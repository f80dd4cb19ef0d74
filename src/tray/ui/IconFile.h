#pragma once
// The icons a file holds, by position: every image of an icon file (.ico, .cur),
// the one image of a picture (.png, .svg, .xpm, .bmp, ...), and for the program
// file itself the program's own set, the menu icons NMAIN000 to NMAIN009.
#include <QIcon>
#include <QList>
#include <QString>

namespace toviwall {

// Each position's icon; a position whose image cannot be read holds a null icon.
// Empty when the file holds no icons (missing, unreadable, no image).
QList<QIcon> IconsOf(const QString& file, const QString& programFile);

// The icon at `index` of `file`, with every size the position offers (an SVG
// picture is drawn at the sizes trays use); whoever draws it takes the size
// nearest its own. Null when the file holds no icon at that position.
QIcon ExtractSmallIcon(const QString& file, int index, const QString& programFile);

// "NMAIN000", the program's own icon, which stands in for one that cannot be had.
QIcon BuiltInIcon();

}  // namespace toviwall
