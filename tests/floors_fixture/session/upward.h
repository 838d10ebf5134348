// A session-floor header that reaches up to documents: the floor check must refuse it.
#pragma once

#include "documents/posting.h"
