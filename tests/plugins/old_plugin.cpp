// A plug-in built before hosts checked versions: the three entry points and no RZDllGetVersion. A host
// must refuse it before calling any of them.
#include <string>

#include "du/SmartPtr.h"
#include "rzk/ActiveModule.h"

extern "C" {
__attribute__((visibility("default"))) bool RZDllInit() {
    return false;
}
__attribute__((visibility("default"))) bool RZDllCreateComponent(const std::string&, const std::string&,
                                                                 const std::string&,
                                                                 du::SmartPtr<rzk::ActiveModule>&) {
    return false;
}
__attribute__((visibility("default"))) void RZDllTerminate() {}
}
