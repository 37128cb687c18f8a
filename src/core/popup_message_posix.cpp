#include "core/popup_recorder.h"
#include "core/service_registry.h"

namespace lumo {

LUMO_REGISTER_SINGLETON_SERVICE(popup_recorder);

}  // namespace lumo
