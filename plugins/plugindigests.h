#pragma once

// Lower-case hexadecimal SHA-256 digests of the plug-ins as this build produced them.
const char* KovaultDigest();
