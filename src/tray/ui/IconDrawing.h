#pragma once
// Drawings (SVG) chosen as icons, made safe to render: Qt's SVG reader opens
// whatever an <image> or a style sheet names (itself, endlessly; a pipe, for
// ever), so a drawing is rendered only from memory and only with what it
// holds itself.
#include <QByteArray>

namespace toviwall {

// The gzip-packed drawing (.svgz) unpacked; empty when it is damaged or would
// unpack to more than `limit` bytes.
QByteArray Unpacked(const QByteArray& packed, qsizetype limit);

// The drawing without a reference to anything outside it: every processing
// instruction (style sheets), the DTD, and every link ("href") but those to
// a part of itself ("#id") and, on <image>, pictures embedded as base64 data
// that are no drawings themselves. Empty when it is no well-formed XML.
QByteArray SelfContained(const QByteArray& svg);

}  // namespace toviwall
