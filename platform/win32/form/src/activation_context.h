#pragma once

#include <windows.h>

namespace clickora::platform::win32 {

// Resource id (type RT_MANIFEST) of a program's manifest of the controls that come with it in its
// folder. The program's resource script uses the same number.
inline constexpr WORD kBundledControlsManifestId = 101;

// Owner of an activation context: the COM classes, type libraries and files a manifest describes,
// found without the registry while the context is active.
class ActivationContext {
 public:
  ActivationContext() noexcept = default;
  // The context of the manifest resource `id` of this program, with the program's folder as the
  // folder of the files it names. Empty if the program has no such resource or it does not parse.
  static ActivationContext FromProgramResource(WORD id) noexcept;
  ActivationContext(const ActivationContext&) = delete;
  ActivationContext& operator=(const ActivationContext&) = delete;
  ActivationContext(ActivationContext&& other) noexcept;
  ActivationContext& operator=(ActivationContext&& other) noexcept;
  ~ActivationContext();

  bool Valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const noexcept { return handle_; }

 private:
  explicit ActivationContext(HANDLE handle) noexcept : handle_(handle) {}
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Keeps a context active on this thread for its own life. Scopes end in the reverse order of
// their start, as the system requires of activations on one thread.
class ActivationScope {
 public:
  explicit ActivationScope(const ActivationContext& context) noexcept;
  ActivationScope(const ActivationScope&) = delete;
  ActivationScope& operator=(const ActivationScope&) = delete;
  ~ActivationScope();

  bool Active() const noexcept { return active_; }

 private:
  ULONG_PTR cookie_ = 0;
  bool active_ = false;
};

// The program's bundled controls (kBundledControlsManifestId), made on first use and kept until the
// program ends. Empty when the program carries no such manifest.
const ActivationContext& BundledControls() noexcept;

}  // namespace clickora::platform::win32
