#include "CZELKResource.h"

#include "VRBinaryData.h"

namespace vr
{
const char* CZELKResource::findResource (const juce::String& name, const juce::String& type, int& size)
{
    size = 0;
    const auto wanted = name + "." + type;

    for (int i = 0; i < VRBinaryData::namedResourceListSize; ++i)
    {
        if (wanted.equalsIgnoreCase (VRBinaryData::originalFilenames[i]))
            return VRBinaryData::getNamedResource (VRBinaryData::namedResourceList[i], size);
    }

    return nullptr;
}

std::unique_ptr<juce::Image> CZELKResource::loadImage (const juce::String& name, const juce::String& type)
{
    int size = 0;
    const char* bytes = findResource (name, type, size);
    if (bytes == nullptr || size <= 0)
        return nullptr;

    if (scratchCapacity < size)
    {
        scratch.free();
        scratch.malloc (static_cast<size_t> (size));
        scratchCapacity = size;
    }

    std::memcpy (scratch.get(), bytes, static_cast<size_t> (juce::jmin (size, scratchCapacity)));

    auto image = juce::ImageFileFormat::loadFrom (scratch.get(), static_cast<size_t> (size));
    if (!image.isValid())
        return nullptr;

    return std::make_unique<juce::Image> (std::move (image));
}

juce::Image CZELKResource::getCachedImage (const juce::String& name, const juce::String& type)
{
    const juce::ScopedLock sl (decodedLock);
    const auto key = (name + "." + type).toLowerCase();
    auto found = decoded.find (key);
    if (found == decoded.end())
    {
        const auto image = loadImage (name, type);
        found = decoded.emplace (key, image != nullptr ? *image : juce::Image()).first;
    }
    // juce::Image shares its pixels, so the copy handed out costs nothing.
    return found->second;
}
} // namespace vr
