// The toolkit's colours as Qt colours (kept in the platform layer, which the editor shares).
#pragma once
#include "ColorQt.h"
