#include "imaging/ZUDIRA.h"

namespace verid {

void RegisterZudiraFormat() {}

}  // namespace verid
