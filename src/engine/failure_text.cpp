#include "failure_text.h"

#include <exception>
#include <new>

namespace quillon {

std::string CurrentFailureText() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return "out of memory";
    } catch (const std::exception& E) {
        return E.what();
    } catch (...) {
        return "unknown error";
    }
}

} // namespace quillon
