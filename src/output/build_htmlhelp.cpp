#include "model/errors.h"
#include "output/build_driver.h"

namespace parvane {

void BuildHtmlHelpBranch(TBuildContext& /*ctx*/) {
    throw EParvaneError("This output cannot be built yet.");
}

} // namespace parvane
