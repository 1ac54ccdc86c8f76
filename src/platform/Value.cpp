#include "platform/Value.h"

#include <cmath>
#include <cstdio>

namespace qm {

std::string Value::toText() const {
    switch (kind_) {
    case Kind::Empty:
    case Kind::Null: return {};
    case Kind::Text: return text_;
    case Kind::Number: {
        char buf[64];
        if (std::isfinite(num_) && num_ == std::floor(num_) && std::fabs(num_) < 1e15)
            std::snprintf(buf, sizeof buf, "%.0f", num_);
        else std::snprintf(buf, sizeof buf, "%.15g", num_);
        return buf;
    }
    }
    return {};
}

} // namespace qm
