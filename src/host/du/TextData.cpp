#include "du/TextData.h"

namespace du {

// Out of line, so that the class's type information lives once, in this library.
TextData::~TextData() = default;

}  // namespace du
