// The toolkit's colours (TColor) as Qt colours: a system colour takes its
// value from the application's palette; clNone and clDefault give an invalid colour.
#pragma once
#include <QColor>

#include "GraphicsTypes.h"

QColor ToQColor(TColor color);
