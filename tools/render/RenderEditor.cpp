#include "Renderers.h"

namespace vr::render
{
// Filled in with the editor view.
juce::Image renderEditorView (int)
{
    return {};
}
} // namespace vr::render
