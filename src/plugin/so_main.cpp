// The Linux build has nothing to do at load or unload beyond the constructors and
// destructors of the module-wide objects.
