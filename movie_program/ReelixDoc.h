// The movie program's document: it holds nothing and is never saved; the
// workspace movie belongs to the view.
#pragma once

#include "framework/DocView.h"

class CReelixDoc : public CDocument {};
