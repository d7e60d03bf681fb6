#include "audio/Music.h"

MediaType MediaTypeOf(const char*) { return MediaOther; }
void MusicPlayer::Open() {}
void MusicPlayer::Play() {}
void MusicPlayer::RestartIfEnded() {}
void MusicPlayer::Close() { delete this; }
void ReleaseResource(MusicPlayer* player) { player->Close(); }
