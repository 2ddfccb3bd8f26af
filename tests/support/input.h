// input.h — file texts written as their lines: the markers by name and doc(), which joins lines as a file holds them.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "format/constants.h"

namespace peltatxt::testing {

// The markers, for building file texts (ONE and LCK are the one-time and locked switches).
inline const std::u16string CMT{marker_text(Marker::CMT)}, FCM{marker_text(Marker::FCM)},
    MAC{marker_text(Marker::MAC)}, ONE{marker_text(Marker::OneTime)}, LCK{marker_text(Marker::Locked)},
    NTR{marker_text(Marker::NTR)}, DNL{marker_text(Marker::DNL)}, TRM{marker_text(Marker::TRM)},
    FLD{marker_text(Marker::FLD)}, FED{marker_text(Marker::FED)}, DAT{marker_text(Marker::DAT)},
    SDT{marker_text(Marker::SDT)}, DED{marker_text(Marker::DED)}, ESC{marker_text(Marker::ESC)};
inline const std::u16string NL{kLineBreak};

// The lines joined by CR LF, the last one ended by one too: doc({FCM + u"a", FLD + u"F|_"}).
// No lines make the empty text; an empty last line makes the text end in a blank line.
inline std::u16string doc(std::initializer_list<std::u16string_view> lines) {
    std::u16string out;
    for (std::u16string_view line : lines) {
        out += line;
        out += kLineBreak;
    }
    return out;
}

}  // namespace peltatxt::testing
