#include "diagnostics/ExceptionText.h"

#include <exception>

namespace workflow {

std::string DescribeCurrentException() {
    try {
        throw;
    } catch (const std::exception& error) {
        const char* what = error.what();
        return what ? what : "";
    } catch (const std::string& text) {
        return text;
    } catch (const char* text) {
        return text ? text : "";
    } catch (...) {
        return "an exception of unknown type";
    }
}

}  // namespace workflow
