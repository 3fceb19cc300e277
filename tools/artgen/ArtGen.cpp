#include <juce_gui_basics/juce_gui_basics.h>
#include <iostream>
int main (int, char**)
{
    juce::ScopedJuceInitialiser_GUI init;
    for (auto& n : juce::Font::findAllTypefaceNames ())
    {
        std::cout << n << ":";
        for (auto& s : juce::Font::findAllTypefaceStyles (n))
            std::cout << " [" << s << "]";
        std::cout << "\n";
    }
    std::cout << "default sans: " << juce::Font::getDefaultSansSerifFontName () << " -> "
              << juce::Font (12.0f).getTypefacePtr ()->getName () << "\n";
    return 0;
}
