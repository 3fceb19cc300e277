// vr-render: draws a view of the program into a PNG, for looking at the
// result without a unit or a display.
//
//   vr-render editor N out.png    editor view holding program N (0-399)
//   vr-render library out.png     library view with one open file

#include "Renderers.h"
#include "app/CZELKResource.h"

#include <iostream>

namespace
{
int usage()
{
    std::cerr << "usage: vr-render editor N out.png\n"
                 "       vr-render library out.png\n";
    return 2;
}

bool writePng (const juce::Image& image, const juce::String& path)
{
    const auto file = juce::File::getCurrentWorkingDirectory().getChildFile (path);
    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    return out.openedOk() && png.writeImageToStream (image, out);
}
} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    vr::CZELKResource::getInstance();

    juce::StringArray args;
    for (int i = 1; i < argc; ++i)
        args.add (juce::CharPointer_UTF8 (argv[i]));

    juce::Image image;
    juce::String outPath;

    if (args.size() == 3 && args[0] == "editor" && args[1].containsOnly ("0123456789"))
    {
        const int n = args[1].getIntValue();
        if (n < 0 || n > 399)
            return usage();
        image = vr::render::renderEditorView (n);
        outPath = args[2];
    }
    else if (args.size() == 2 && args[0] == "library")
    {
        image = vr::render::renderLibraryView();
        outPath = args[1];
    }
    else
    {
        vr::CZELKResource::release();
        return usage();
    }

    const bool ok = image.isValid() && writePng (image, outPath);
    vr::CZELKResource::release();
    if (!ok)
    {
        std::cerr << "vr-render: could not render or write " << outPath << "\n";
        return 1;
    }
    return 0;
}
