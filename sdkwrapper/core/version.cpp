// Placeholder translation unit so that the library links while the exports
// are being written; it defines nothing exported.
namespace vlsdk {
int libraryRevision() { return 1; }
} // namespace vlsdk
