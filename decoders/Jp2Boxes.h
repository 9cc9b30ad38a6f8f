#pragma once

#include <QByteArray>

#include <vector>

// One entry of a JP2 channel-definition box (ISO/IEC 15444-1 I.5.3.6).
struct TChannelDefinition {
    int Channel = 0;
    int Type = 0;         // 0 colour, 1 opacity, 2 premultiplied opacity, 65535 unspecified
    int Association = 0;  // 0 the whole picture, 1..n the colour it belongs to, 65535 none
};

// The entries of the channel-definition box in the header box of the JP2 file held in `file`; empty when
// there is none or the boxes are damaged. OpenJPEG applies the box but does not expose it.
std::vector<TChannelDefinition> ReadChannelDefinitions(const QByteArray& file);
