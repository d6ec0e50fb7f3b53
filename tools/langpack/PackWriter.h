// Writing the language pack: the XML document the program reads at start-up.
#pragma once

#include "tools/langpack/LangSource.h"

#include <string>

namespace tools::langpack {

/// The pack as UTF-8 XML without declaration or byte-order mark (the program's reader takes the
/// first element as the root): <lang>, its <languages> with one <entry tagName engName trueName/>
/// per language in order, and its <entries> with one <entry id> per id in ascending order, holding
/// the source language's note for translators and then one element per language, the source
/// language first, so a text a language lacks falls back to it.
std::string writePackXml(const Pack& pack);

}  // namespace tools::langpack
