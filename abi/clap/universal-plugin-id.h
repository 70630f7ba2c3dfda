#pragma once

// A plugin named across plugin formats: the format ("clap", ...) and the id within it.
typedef struct clap_universal_plugin_id {
   const char *abi;
   const char *id;
} clap_universal_plugin_id_t;
