#include "ui/MsgState.h"

#include <cmath>

namespace qm::ui {

MsgLook LookForKind(int kind) {
    switch (kind) {
    case kMsgWarning: return {MsgPicture::Warning, true, false};
    case kMsgQuestion: return {MsgPicture::Question, false, true};
    case kMsgWarningYesNo: return {MsgPicture::Warning, false, true};
    case kMsgError: return {MsgPicture::Error, true, false};
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
