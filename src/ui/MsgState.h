#pragma once
// The message dialog's kept values and what each message kind shows, without widgets.
#include "app/Interfaces.h"

#include <cstdint>
#include <string>

namespace qm::ui {

enum class MsgPicture { None, Warning, Question, Error };

struct MsgLook {
    MsgPicture picture = MsgPicture::None;
    bool confirm = false; // cmdConfirm
    bool yesNo = false;   // cmdYes and cmdNo
};

// What a kind (MsgKind, or any other value: nothing) shows.
MsgLook LookForKind(int kind);

inline constexpr int kResultConfirm = -1;
inline constexpr int kResultYes = 1;
inline constexpr int kResultNo = 0;
inline constexpr const char* kEmptyMessage = "消息为空";

struct MsgState {
    int16_t iMsgType = 0;
    std::string cMsgText;
    int16_t iMsgResult = 0;
    int16_t iMsgFontSize = 0;   // 0: not taken yet
    uint32_t lMsgForeColor = 0; // 0: not taken yet

    // A zero kind or an empty message keeps the previous call's value; the result starts at 0 and an
    // empty text reads "消息为空". Font size and colour are taken from the window once.
    void Take(int inValue, const std::string& message, double windowFontPointSize, uint32_t windowColor);
};

} // namespace qm::ui
