// Umbrella header: the CLAP 1.2.10 interface as far as fennrow uses it.
#pragma once

#include "entry.h"

#include "factory/plugin-factory.h"
#include "factory/preset-discovery.h"

#include "plugin.h"
#include "plugin-features.h"
#include "host.h"
#include "universal-plugin-id.h"

#include "ext/audio-ports.h"
#include "ext/event-registry.h"
#include "ext/note-ports.h"
#include "ext/params.h"
#include "ext/preset-load.h"
#include "ext/state.h"
