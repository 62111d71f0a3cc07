// The plug-in's entry point: the host's loader runs it once when it loads the library, and each factory
// makes a new workflow whenever a manager installs one by name.
#include "BoxSelectWorkflow.h"
#include "MeasureWorkflow.h"
#include "OrbitWorkflow.h"
#include "PanWorkflow.h"
#include "SelectWorkflow.h"
#include "ZoomWorkflow.h"
#include "rzloader/Loader.h"

namespace {

template <class T>
void Register(rzloader::Loader* loader, const char* name) {
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", name,
                            [] { return du::SmartPtr<du::RefCounted>(new T); });
}

}  // namespace

RZLOADER_PLUGIN_ENTRY void RZRegisterComponents(rzloader::Loader* loader) {
    Register<examples::OrbitWorkflow>(loader, "orbit");
    Register<examples::PanWorkflow>(loader, "pan");
    Register<examples::ZoomWorkflow>(loader, "zoom");
    Register<examples::SelectWorkflow>(loader, "select");
    Register<examples::MeasureWorkflow>(loader, "measure");
    Register<examples::BoxSelectWorkflow>(loader, "boxselect");
}
