#include "ui/ControlIds.h"

#include <array>

namespace qm::ui {

namespace {

constexpr std::array kNames{
#define QM_UI_CONTROL_NAME(name) std::string_view(#name),
    QM_UI_CONTROLS(QM_UI_CONTROL_NAME)
#undef QM_UI_CONTROL_NAME
};
static_assert(kNames.size() == size_t(Id(Ctl::kEnd) - Id(Ctl::kFirst) - 1));

} // namespace

int ControlIdOf(std::string_view name) {
    for (size_t i = 0; i < kNames.size(); ++i)
        if (kNames[i] == name) return Id(Ctl::kFirst) + 1 + int(i);
    return 0;
}

std::string_view ControlNameOf(int id) {
    const int i = id - Id(Ctl::kFirst) - 1;
    return i >= 0 && i < int(kNames.size()) ? kNames[size_t(i)] : std::string_view();
}

} // namespace qm::ui
