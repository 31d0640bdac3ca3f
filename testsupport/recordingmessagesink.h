#pragma once

#include "fakeplatform.h"
