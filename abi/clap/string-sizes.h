#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum {
   // Capacity of a display name, including the terminating zero.
   CLAP_NAME_SIZE = 256,
   // Capacity of a path or module path, including the terminating zero.
   CLAP_PATH_SIZE = 1024,
};

#ifdef __cplusplus
}
#endif
