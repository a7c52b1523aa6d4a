// Where a text sits in its space: a field's values, a caption.
#pragma once

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
