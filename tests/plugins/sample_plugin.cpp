// A plug-in library as a host would find it on disk: it registers two components when the loader runs
// its entry point, one for every view type and one for 3D views only.
#include "du/SmartPtr.h"
#include "rzk/SceneObjects.h"
#include "rzk/View.h"
#include "rzloader/Loader.h"

RZLOADER_PLUGIN_ENTRY void RZRegisterComponents(rzloader::Loader* loader) {
    loader->RegisterFactory(rzloader::Loader::ANY_VIEW_TYPE, "workflow", "SampleAnnotation",
                            [] { return du::SmartPtr<du::RefCounted>(new rzk::Annotation); });
    loader->RegisterFactory(rzk::ShapeView::ACTOR_TYPE, "workflow", "SampleSelectionItem",
                            [] { return du::SmartPtr<du::RefCounted>(new rzk::SelectionItem); });
}
