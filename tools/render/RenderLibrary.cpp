#include "Renderers.h"

namespace vr::render
{
// Filled in with the library view.
juce::Image renderLibraryView()
{
    return {};
}
} // namespace vr::render
