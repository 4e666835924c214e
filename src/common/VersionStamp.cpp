// The file version of the program, kept in a section of its own so that the
// About box can read it back from the executable file (see VersionInfo.h).
#include "common/VersionInfo.h"

namespace {

[[gnu::used, gnu::section(".zelmora.version")]] const zel::VersionStamp kFileVersion = {
    zel::kVersionMagic, {ZEL_FILE_VERSION}};

}  // namespace
