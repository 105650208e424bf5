// SPDX-License-Identifier: MIT
#include "platform/Result.h"

namespace tandrel {

const char* nameOf(Failure failure) {
    switch (failure) {
    case Failure::unsupported:
        return "unsupported";
    case Failure::noValue:
        return "no value";
    case Failure::notAnswering:
        return "not answering";
    case Failure::gone:
        return "gone";
    }
    return "";
}

} // namespace tandrel
