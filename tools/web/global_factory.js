// Appended after the module's factory: an AudioWorklet's scripts are
// modules, whose top-level names no other script sees.
if (typeof globalThis !== "undefined") globalThis.createFennrow = createFennrow;
