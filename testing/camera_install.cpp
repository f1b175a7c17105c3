// Camera::Install, apart from the rest of the camera: it needs the in-memory
// host, which a program reading files through the reference kit must not
// link.
#include "testing/camera.h"
#include "testing/memory_host.h"

namespace testing_kit {

void Camera::Install() const {
  memory_host::Clear();
  for (const Value& value : values_) memory_host::Set(value.file, value.key, value.text);
  for (const Value& param : params_) memory_host::SetParam(param.key, param.text);
}

}  // namespace testing_kit
