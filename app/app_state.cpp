#include "app/app_state.h"

AppState appState;

namespace {
// Made during static initialisation, before WinMain, so the brush exists
// before the first window asks for static colours. Never deleted.
const HBRUSH kBrushAtStart = appState.backgroundBrush = CreateSolidBrush(kBackgroundColour);
}  // namespace
