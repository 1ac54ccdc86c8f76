#include "ui/MsgState.h"

#include <cmath>

namespace qm::ui {

MsgLook LookForKind(int kind) {
    switch (kind) {
    case 1: return {MsgPicture::Warning, true, false};
    case 2: return {MsgPicture::Question, false, true};
    case 3: return {MsgPicture::Warning, false, true};
    case 4: return {MsgPicture::Error, true, false};
    default: return {};
    }
}

void MsgState::Take(int inValue, const std::string& message, double windowFontPointSize, uint32_t windowColor) {
    if (inValue != 0) iMsgType = int16_t(inValue);
    if (!message.empty()) cMsgText = message;
    iMsgResult = 0;
    if (cMsgText.empty()) cMsgText = kEmptyMessage;
    // Halves go to the even neighbour, as the platform's integer conversion does.
    if (iMsgFontSize == 0) iMsgFontSize = int16_t(std::nearbyint(windowFontPointSize));
    if (lMsgForeColor == 0) lMsgForeColor = windowColor;
}

} // namespace qm::ui
