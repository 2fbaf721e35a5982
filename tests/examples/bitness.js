// Prints the processor architecture of the script host running it: x86 for
// a 32-bit host (also under WOW64), AMD64 for a 64-bit one.
WScript.Echo(new ActiveXObject("WScript.Shell").Environment("Process")("PROCESSOR_ARCHITECTURE"));
