#include "video/SoundFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

struct Decoding {
    AVFormatContext* format = nullptr;
    AVCodecContext* codec = nullptr;
    SwrContext* resampler = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* packet = nullptr;
    int channels = 0;  // what the resampler gives: the file's one channel, or stereo
    ~Decoding() {
        swr_free(&resampler);
        av_frame_free(&frame);
        av_packet_free(&packet);
        avcodec_free_context(&codec);
        avformat_close_input(&format);
    }
};

// Converts a decoded frame (null: what the resampler still holds) and adds it as stereo. A file
// of one channel is heard on both sides at full level, as the game's mixer plays it.
void Add(Decoding& d, const AVFrame* frame, StereoSamples& out) {
    const int room = swr_get_out_samples(d.resampler, frame != nullptr ? frame->nb_samples : 0);
    if (room <= 0) return;
    std::vector<float> converted(static_cast<std::size_t>(room) * d.channels);
    uint8_t* to = reinterpret_cast<uint8_t*>(converted.data());
    const uint8_t** from = frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr;
    const int got = swr_convert(d.resampler, &to, room, from, frame != nullptr ? frame->nb_samples : 0);
    for (int i = 0; i < got; ++i) {
        const float* at = &converted[static_cast<std::size_t>(i) * d.channels];
        out.push_back(at[0]);
        out.push_back(at[d.channels - 1]);
    }
}

// Hands the decoder a packet (null: the end) and converts every frame it has ready.
bool Decode(Decoding& d, const AVPacket* packet, StereoSamples& out) {
    if (avcodec_send_packet(d.codec, packet) < 0) return false;
    for (;;) {
        const int result = avcodec_receive_frame(d.codec, d.frame);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return false;
        Add(d, d.frame, out);
    }
}

}  // namespace

bool DecodeSoundFile(const std::string& path, StereoSamples& out, std::string& why) {
    av_log_set_level(AV_LOG_QUIET);
    Decoding d;
    out.clear();
    const AVCodec* decoder = nullptr;
    int stream = -1;
    if (avformat_open_input(&d.format, path.c_str(), nullptr, nullptr) < 0 ||
        avformat_find_stream_info(d.format, nullptr) < 0 ||
        (stream = av_find_best_stream(d.format, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0)) < 0) {
        why = "cannot read it";
        return false;
    }
    d.codec = avcodec_alloc_context3(decoder);
    d.frame = av_frame_alloc();
    d.packet = av_packet_alloc();
    if (avcodec_parameters_to_context(d.codec, d.format->streams[stream]->codecpar) < 0 ||
        avcodec_open2(d.codec, decoder, nullptr) < 0) {
        why = "cannot decode it";
        return false;
    }
    AVChannelLayout from;
    // A WAV file names no speakers: its channels count.
    if (d.codec->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
        av_channel_layout_default(&from, d.codec->ch_layout.nb_channels);
    else
        av_channel_layout_copy(&from, &d.codec->ch_layout);
    d.channels = from.nb_channels == 1 ? 1 : 2;
    AVChannelLayout to;
    av_channel_layout_default(&to, d.channels);
    const int made = swr_alloc_set_opts2(&d.resampler, &to, AV_SAMPLE_FMT_FLT, kMixRate, &from, d.codec->sample_fmt,
                                         d.codec->sample_rate, 0, nullptr);
    av_channel_layout_uninit(&from);
    if (made < 0 || swr_init(d.resampler) < 0) {
        why = "cannot convert it";
        return false;
    }
    bool decoded = true;
    while (decoded && av_read_frame(d.format, d.packet) >= 0) {
        if (d.packet->stream_index == stream) decoded = Decode(d, d.packet, out);
        av_packet_unref(d.packet);
    }
    if (decoded) decoded = Decode(d, nullptr, out);
    if (decoded) Add(d, nullptr, out);
    if (!decoded || out.empty()) why = "cannot decode it";
    return decoded && !out.empty();
}
