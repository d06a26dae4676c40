// Drawing support: rectangles, GDI object owners, device contexts and guards.
#pragma once
#include "Dc.h"
#include "GdiObjects.h"
#include "Rect.h"
