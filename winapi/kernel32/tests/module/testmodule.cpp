// A run-time library for the module tests: one exported function.
extern "C" __attribute__((visibility("default"))) int lumetraTestAnswer() { return 42; }
