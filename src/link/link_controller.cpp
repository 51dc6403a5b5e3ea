#include "link/link_controller.h"

namespace qtx {

LinkController::LinkController() = default;
LinkController::~LinkController() = default;

} // namespace qtx
