#pragma once

#include <juce_graphics/juce_graphics.h>

#include <map>
#include <memory>

namespace vr
{
// A reference-counted process-wide instance: the first getInstance creates
// it, the release that brings the count back to zero deletes it.
template <typename Derived>
class CZELKSingleton
{
public:
    static Derived* getInstance()
    {
        const juce::ScopedLock sl (lock);
        if (count == 0 && instance == nullptr)
            instance.reset (new Derived()); // the constructor is private to the singleton
        ++count;
        return instance.get();
    }

    static void release()
    {
        std::unique_ptr<Derived> toDelete;
        {
            const juce::ScopedLock sl (lock);
            if (count > 0 && --count == 0)
                toDelete = std::move (instance);
        }
        // Deleted outside the lock, so its destructor may use the singleton.
    }

    // The live instance, or null; users of the images read it at paint time.
    static Derived* getInstancePointer()
    {
        const juce::ScopedLock sl (lock);
        return instance.get();
    }

    static int getReferenceCount()
    {
        const juce::ScopedLock sl (lock);
        return count;
    }

protected:
    CZELKSingleton() = default;
    virtual ~CZELKSingleton() = default;

private:
    // getInstance/release pairs decide the instance's lifetime.
    inline static std::unique_ptr<Derived> instance;
    inline static int count = 0;
    inline static juce::CriticalSection lock;
};

// Hands out the pictures linked into the executable, looked up by name and
// type ("VRwrenKnob", "png"), the name compared without regard to case.
class CZELKResource : public CZELKSingleton<CZELKResource>
{
public:
    ~CZELKResource() override = default;

    // A newly decoded image, or null when there is no such resource or it
    // does not decode.
    std::unique_ptr<juce::Image> loadImage (const juce::String& name, const juce::String& type);

    // The same picture decoded once and kept while this object lives, for views
    // that paint it again and again; an invalid image when loadImage would
    // give none.
    juce::Image getCachedImage (const juce::String& name, const juce::String& type);

    // The raw bytes of a resource, or nullptr (and size 0).
    static const char* findResource (const juce::String& name, const juce::String& type, int& size);

    int getScratchCapacity() const noexcept { return scratchCapacity; }

private:
    friend class CZELKSingleton<CZELKResource>;
    CZELKResource() = default;

    // Raw bytes are copied here before decoding; grown to the largest
    // resource seen and reused, never shrunk.
    juce::HeapBlock<char> scratch;
    int scratchCapacity{0};

    // Keyed by lower-case "name.type"; failed look-ups are kept too.
    std::map<juce::String, juce::Image> decoded;
    juce::CriticalSection decodedLock;

    JUCE_DECLARE_NON_COPYABLE (CZELKResource)
};
} // namespace vr
