#pragma once

// Lower-case hexadecimal SHA-256 digests of the plug-ins as this build produced them. The
// viewer's and the tool kit's exist in desktop builds only.
const char* KovaultDigest();
const char* LeafviewDigest();
const char* QuillkitDigest();
const char* TwaindsmDigest();
