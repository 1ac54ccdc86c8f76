#include "app/AppState.h"

namespace qm {

LoginWrapper& AppState::UFLogin() {
    if (!oUFLogin_) {
        if (makeLoginWrapper) oUFLogin_ = makeLoginWrapper();
        if (!oUFLogin_) oUFLogin_ = std::make_unique<NoProductLogin>();
    }
    return *oUFLogin_;
}

} // namespace qm
