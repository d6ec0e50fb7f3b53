// The song-information record of an MP3 file.
#pragma once

#include "audio/IInfo.h"

namespace s::sound::mp3 {

/// An MP3 file's record: the operations of s::sound::IInfo, with tags.
class IInfo : public sound::IInfo {
 public:
  const WCHAR* getClassName() const override { return u"s_sound_mp3_IInfo"; }
};

}  // namespace s::sound::mp3
