#pragma once

#include "factory/plugin-factory.h"
