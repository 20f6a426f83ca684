// A plain tab control class; no behaviour of its own (its message map is
// the base class's).
#pragma once

#include "framework/Controls.h"

class CTabMain : public CTabCtrl {
 public:
  CTabMain() = default;
};
