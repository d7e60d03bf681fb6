#pragma once
// Registry names that are spelt in Japanese. They are only keys, but the texture is registered by
// the title scene and looked up by the HUD and the ranking board, so every place must use these
// exact bytes (UTF-8).

// "remaining": the label above the time left.
inline constexpr const char kRemainingTextureName[] = "のこり";
// "ranking": the title of the ranking board.
inline constexpr const char kRankingTextureName[] = "ランキング";
