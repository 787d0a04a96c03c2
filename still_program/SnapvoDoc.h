// The still program's document: it holds nothing and is never saved.
#pragma once

#include "framework/DocView.h"

class CSnapvoDoc : public CDocument {};
