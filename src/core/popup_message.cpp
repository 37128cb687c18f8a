#include "core/popup_message.h"

#include "core/service_registry.h"

namespace lumo {

void popup_message::g_show(std::string_view message, std::string_view title, popup_icon icon) {
  get_single_service<popup_message>()->show(message, title, icon);
}

}  // namespace lumo
