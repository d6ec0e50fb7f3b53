// Internal to the layer: the table of in-process COM classes that CoCreateInstance makes. Areas
// that implement classes (shell32's shell link and Internet shortcut) add theirs from a static
// initialiser.
#pragma once

#include <objbase.h>

namespace winapi::com {

/// Makes a new object of the class and queries `iid` on it; the object's own reference goes with
/// the answer.
using ClassMaker = HRESULT (*)(REFIID iid, void** object);

/// Adds a class; a class added twice keeps its first maker.
void registerClass(const CLSID& classId, ClassMaker maker);

/// Whether COM was started on the calling thread.
bool isInitialized();

}  // namespace winapi::com
