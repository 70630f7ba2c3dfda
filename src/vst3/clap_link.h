// The CLAP plugin this adapter drives: the very entry record a CLAP host
// finds in fennrow.clap, linked into the VST 3 module too. The adapter
// reaches the plugin only through it.
#pragma once

#include <clap/clap.h>

extern "C" const clap_plugin_entry_t clap_entry;
