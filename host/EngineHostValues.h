// The engine's numbers that cross to the host unchanged: its result codes are
// returned as the host's errors and its transfer modes fill the host's composite
// mode. They must be the host's own values.
#pragma once

#include "AE_HostApi.h"
#include "ResultCodes.h"
#include "WipeTypes.h"

namespace tilesweep::plugin {

static_assert(kErrNone == PF_Err_NONE, "engine and host agree on success");
static_assert(kErrOutOfMemory == PF_Err_OUT_OF_MEMORY, "engine and host agree on out of memory");
static_assert(kErrInternalStructDamaged == PF_Err_INTERNAL_STRUCT_DAMAGED, "engine and host agree on 512");
static_assert(kErrBadCallbackParam == PF_Err_BAD_CALLBACK_PARAM, "engine and host agree on 516");

constexpr bool sameTransfer(TransferMode engine, PF_TransferMode host) {
    return static_cast<PF_TransferMode>(engine) == host;
}
static_assert(sameTransfer(TransferMode::InFront, PF_Xfer_IN_FRONT), "InFront");
static_assert(sameTransfer(TransferMode::Add, PF_Xfer_ADD), "Add");
static_assert(sameTransfer(TransferMode::Multiply, PF_Xfer_MULTIPLY), "Multiply");
static_assert(sameTransfer(TransferMode::Screen, PF_Xfer_SCREEN), "Screen");
static_assert(sameTransfer(TransferMode::Overlay, PF_Xfer_OVERLAY), "Overlay");
static_assert(sameTransfer(TransferMode::HardLight, PF_Xfer_HARD_LIGHT), "HardLight");
static_assert(sameTransfer(TransferMode::Darken, PF_Xfer_DARKEN), "Darken");
static_assert(sameTransfer(TransferMode::Lighten, PF_Xfer_LIGHTEN), "Lighten");
static_assert(sameTransfer(TransferMode::Difference, PF_Xfer_DIFFERENCE2), "Difference");
static_assert(sameTransfer(TransferMode::ColorDodge, PF_Xfer_COLOR_DODGE2), "ColorDodge");
static_assert(sameTransfer(TransferMode::ColorBurn, PF_Xfer_COLOR_BURN2), "ColorBurn");
static_assert(sameTransfer(TransferMode::LinearLight, PF_Xfer_LINEAR_LIGHT), "LinearLight");
static_assert(sameTransfer(TransferMode::VividLight, PF_Xfer_VIVID_LIGHT), "VividLight");
static_assert(sameTransfer(TransferMode::PinLight, PF_Xfer_PIN_LIGHT), "PinLight");
static_assert(sameTransfer(TransferMode::HardMix, PF_Xfer_HARD_MIX), "HardMix");

}  // namespace tilesweep::plugin
