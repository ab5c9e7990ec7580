// The controller's direct value access reads and writes a parameter record's double without
// the instance mutex while the audio thread may be using it: the value takes effect at its
// next use, by design. ThreadSanitizer is told so for exactly these two entries; every other
// access to shared state must be ordered by the mutex and is still reported.
extern "C" const char* __tsan_default_suppressions()
{
  return "race:IPlugVST3::setParamNormalized\n"
         "race:IPlugVST3::getParamNormalized\n";
}

// A suppression matches only a stack ThreadSanitizer can restore; the default history is too
// short for the user-interface thread's writes made many blocks earlier.
extern "C" const char* __tsan_default_options() { return "history_size=7"; }
