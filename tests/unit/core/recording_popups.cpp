#include "recording_popups.h"

#include "core/popup_recorder.h"
#include "core/service_registry.h"

using namespace lumo;

namespace {
const service_factory_base::unlisted_t unlisted{};
singleton_factory<popup_recorder> g_recorder(unlisted);
}  // namespace

void use_recording_popups() {
  std::vector<const service_factory_base*> list;
  for (const service_factory_base* f : static_factories())
    if (!(f->class_guid() == popup_message::class_guid)) list.push_back(f);
  list.push_back(&g_recorder);
  services().build(list);
  popup_recorder::take_recorded();
}
