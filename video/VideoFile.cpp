#include "video/VideoFile.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

// A picture or a stretch of sound, waiting for the encoding thread.
struct Job {
    bool picture = false;
    std::vector<unsigned char> pixels;
    std::vector<float> sound;
};

}  // namespace

struct VideoFile {
    AVFormatContext* format = nullptr;
    AVCodecContext* picture = nullptr;
    AVCodecContext* sound = nullptr;
    AVStream* pictureStream = nullptr;
    AVStream* soundStream = nullptr;
    SwsContext* scaler = nullptr;
    AVFrame* frame = nullptr;
    AVFrame* soundFrame = nullptr;
    AVPacket* packet = nullptr;
    int width = 0, height = 0;
    long frames = 0;             // pictures sent to the encoder
    long soundSent = 0;          // sound frames sent to the encoder
    std::vector<float> waiting;  // sound short of a whole encoder frame
    // The encoders and the file belong to one thread of their own, so the next tick is drawn
    // while the last one is encoded; a few jobs wait at most.
    std::thread worker;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Job> jobs;
    std::vector<std::vector<unsigned char>> spare;  // pictures' buffers to use again
    bool ending = false;
    std::string failure;  // the first thing that failed; nothing is encoded after it
};

namespace {

bool Failed(std::string& why, const char* what, int code) {
    char words[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, words, sizeof words);
    why = std::string(what) + " (" + words + ")";
    return false;
}

// Sends a frame (null: the end) and writes every packet the encoder has ready.
bool Encode(VideoFile& video, AVCodecContext* codec, AVStream* stream, const AVFrame* frame, std::string& why) {
    int result = avcodec_send_frame(codec, frame);
    if (result < 0) return Failed(why, "cannot encode", result);
    for (;;) {
        result = avcodec_receive_packet(codec, video.packet);
        if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
        if (result < 0) return Failed(why, "cannot encode", result);
        av_packet_rescale_ts(video.packet, codec->time_base, stream->time_base);
        video.packet->stream_index = stream->index;
        result = av_interleaved_write_frame(video.format, video.packet);
        if (result < 0) return Failed(why, "cannot write", result);
    }
}

AVCodecContext* OpenEncoder(VideoFile& video, const char* name, AVStream*& stream, std::string& why,
                            void (*set)(AVCodecContext*, AVDictionary**, const VideoFile&)) {
    const AVCodec* codec = avcodec_find_encoder_by_name(name);
    if (codec == nullptr) {
        why = std::string("this FFmpeg has no ") + name + " encoder";
        return nullptr;
    }
    AVCodecContext* context = avcodec_alloc_context3(codec);
    AVDictionary* options = nullptr;
    set(context, &options, video);
    if (video.format->oformat->flags & AVFMT_GLOBALHEADER) context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    const int result = avcodec_open2(context, codec, &options);
    av_dict_free(&options);
    stream = avformat_new_stream(video.format, nullptr);
    if (result < 0 || stream == nullptr) {
        avcodec_free_context(&context);
        Failed(why, (std::string("cannot start the ") + name + " encoder").c_str(), result);
        return nullptr;
    }
    avcodec_parameters_from_context(stream->codecpar, context);
    stream->time_base = context->time_base;
    return context;
}

// VP8 as fast as it goes: the real-time deadline and its fast setting, at a rate that keeps the
// tube's texture sharp (about 0.08 bits a pixel). One thread: it already runs beside the drawing,
// and libvpx's threads wait on each other by spinning, which on a busy machine cost ten times the
// encoding itself.
void SetPictures(AVCodecContext* codec, AVDictionary** options, const VideoFile& video) {
    codec->width = video.width;
    codec->height = video.height;
    codec->pix_fmt = AV_PIX_FMT_YUV420P;
    codec->time_base = AVRational{2, 125};  // a 16 ms tick
    codec->framerate = AVRational{125, 2};
    codec->gop_size = 125;
    codec->bit_rate = std::max<long>(500000, long(video.width) * video.height * 5);
    codec->thread_count = 1;
    av_dict_set(options, "deadline", "realtime", 0);
    av_dict_set(options, "cpu-used", "8", 0);
}

void SetSound(AVCodecContext* codec, AVDictionary**, const VideoFile&) {
    codec->sample_rate = 48000;
    codec->sample_fmt = AV_SAMPLE_FMT_FLT;
    av_channel_layout_default(&codec->ch_layout, 2);
    codec->bit_rate = 128000;
    codec->time_base = AVRational{1, 48000};
}

AVFrame* NewFrame(AVCodecContext* codec) {
    AVFrame* frame = av_frame_alloc();
    if (codec->codec_type == AVMEDIA_TYPE_VIDEO) {
        frame->format = codec->pix_fmt, frame->width = codec->width, frame->height = codec->height;
    } else {
        frame->format = codec->sample_fmt, frame->nb_samples = codec->frame_size;
        av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout);
    }
    if (av_frame_get_buffer(frame, 0) < 0) av_frame_free(&frame);
    return frame;
}

void Free(VideoFile* video) {
    avcodec_free_context(&video->picture);
    avcodec_free_context(&video->sound);
    sws_freeContext(video->scaler);
    av_frame_free(&video->frame);
    av_frame_free(&video->soundFrame);
    av_packet_free(&video->packet);
    if (video->format != nullptr && video->format->pb != nullptr) avio_closep(&video->format->pb);
    avformat_free_context(video->format);
    delete video;
}

// Hands the encoder every whole frame of waiting sound; at the end, the rest padded with silence.
bool SendSound(VideoFile& video, bool end, std::string& why) {
    const std::size_t whole = static_cast<std::size_t>(video.sound->frame_size) * 2;
    // The end in a frame of its own length where the encoder takes one (the file then says how
    // much of its last packet to play), so the sound lasts exactly as long as the pictures.
    const bool shortLast = video.sound->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    if (end && video.waiting.size() % whole != 0 && !shortLast)
        video.waiting.resize((video.waiting.size() / whole + 1) * whole, 0.0f);
    std::size_t at = 0;
    while (at < video.waiting.size() && (end || at + whole <= video.waiting.size())) {
        const std::size_t count = std::min(whole, video.waiting.size() - at);
        if (av_frame_make_writable(video.soundFrame) < 0) return Failed(why, "cannot encode", AVERROR(ENOMEM));
        std::copy_n(video.waiting.data() + at, count, reinterpret_cast<float*>(video.soundFrame->data[0]));
        video.soundFrame->nb_samples = static_cast<int>(count / 2);
        video.soundFrame->pts = video.soundSent;
        video.soundSent += video.soundFrame->nb_samples;
        if (!Encode(video, video.sound, video.soundStream, video.soundFrame, why)) return false;
        at += count;
    }
    video.waiting.erase(video.waiting.begin(), video.waiting.begin() + static_cast<long>(at));
    return true;
}

void Work(VideoFile* video);

}  // namespace

VideoFile* OpenVideo(const std::string& path, int width, int height, std::string& why) {
    // The libraries' own notes would only repeat, less clearly, what the game says in one line.
    av_log_set_level(AV_LOG_QUIET);
    VideoFile* video = new VideoFile;
    video->width = width, video->height = height;
    const char* failure = nullptr;
    int result = avformat_alloc_output_context2(&video->format, nullptr, "webm", path.c_str());
    if (result < 0) failure = "cannot make a WebM file";
    if (failure == nullptr) video->picture = OpenEncoder(*video, "libvpx", video->pictureStream, why, SetPictures);
    if (video->picture != nullptr) video->sound = OpenEncoder(*video, "libopus", video->soundStream, why, SetSound);
    if (failure == nullptr && video->sound == nullptr) return Free(video), nullptr;
    if (failure == nullptr) {
        video->frame = NewFrame(video->picture);
        video->soundFrame = NewFrame(video->sound);
        video->packet = av_packet_alloc();
        video->scaler = sws_getContext(width, height, AV_PIX_FMT_RGBA, width, height, AV_PIX_FMT_YUV420P,
                                       SWS_POINT, nullptr, nullptr, nullptr);
        result = AVERROR(ENOMEM);
        if (!video->frame || !video->soundFrame || !video->packet || !video->scaler)
            failure = "cannot start the encoders";
    }
    if (failure == nullptr && (result = avio_open(&video->format->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0)
        failure = "cannot write it";
    if (failure == nullptr && (result = avformat_write_header(video->format, nullptr)) < 0) failure = "cannot write it";
    if (failure == nullptr) {
        video->worker = std::thread(Work, video);
        return video;
    }
    Failed(why, failure, result);
    Free(video);
    return nullptr;
}

namespace {

bool EncodePicture(VideoFile& video, const unsigned char* rgba, std::string& why) {
    if (av_frame_make_writable(video.frame) < 0) return Failed(why, "cannot encode", AVERROR(ENOMEM));
    // GL's rows run bottom-up: start at the last and step backwards.
    const int stride = video.width * 4;
    const uint8_t* top = rgba + static_cast<std::size_t>(video.height - 1) * stride;
    const int strides[1] = {-stride};
    sws_scale(video.scaler, &top, strides, 0, video.height, video.frame->data, video.frame->linesize);
    video.frame->pts = video.frames++;
    return Encode(video, video.picture, video.pictureStream, video.frame, why);
}

void Work(VideoFile* video) {
    std::unique_lock<std::mutex> hold(video->lock);
    for (;;) {
        video->changed.wait(hold, [video] { return !video->jobs.empty() || video->ending; });
        if (video->jobs.empty()) return;
        Job job = std::move(video->jobs.front());
        video->jobs.pop_front();
        video->changed.notify_all();
        const bool going = video->failure.empty();
        hold.unlock();
        std::string why;
        bool ok = true;
        if (going && job.picture) ok = EncodePicture(*video, job.pixels.data(), why);
        if (going && !job.picture) {
            video->waiting.insert(video->waiting.end(), job.sound.begin(), job.sound.end());
            ok = SendSound(*video, false, why);
        }
        hold.lock();
        if (!ok) video->failure = why;
        if (job.picture) video->spare.push_back(std::move(job.pixels));
    }
}

// Hands a job to the encoding thread once there is room; false, with `why`, once anything failed.
bool Queue(VideoFile& video, Job& job, std::string& why) {
    std::unique_lock<std::mutex> hold(video.lock);
    video.changed.wait(hold, [&video] { return video.jobs.size() < 3 || !video.failure.empty(); });
    if (!video.failure.empty()) {
        why = video.failure;
        return false;
    }
    video.jobs.push_back(std::move(job));
    video.changed.notify_all();
    return true;
}

// Ends the encoding thread once it has done every job; false, with `why`, when one failed.
bool StopWorker(VideoFile& video, std::string& why) {
    if (!video.worker.joinable()) return true;
    {
        std::lock_guard<std::mutex> hold(video.lock);
        video.ending = true;
    }
    video.changed.notify_all();
    video.worker.join();
    why = video.failure;
    return video.failure.empty();
}

}  // namespace

bool WriteVideoFrame(VideoFile& video, const unsigned char* rgba, std::string& why) {
    Job job;
    job.picture = true;
    {
        std::lock_guard<std::mutex> hold(video.lock);
        if (!video.spare.empty()) job.pixels = std::move(video.spare.back()), video.spare.pop_back();
    }
    job.pixels.assign(rgba, rgba + static_cast<std::size_t>(video.width) * video.height * 4);
    return Queue(video, job, why);
}

bool WriteVideoSound(VideoFile& video, const float* stereo, int frames, std::string& why) {
    Job job;
    job.sound.assign(stereo, stereo + static_cast<std::size_t>(frames) * 2);
    return Queue(video, job, why);
}

bool FinishVideo(VideoFile* video, std::string& why) {
    bool ok = StopWorker(*video, why) && SendSound(*video, true, why) &&
              Encode(*video, video->sound, video->soundStream, nullptr, why) &&
              Encode(*video, video->picture, video->pictureStream, nullptr, why);
    int result = ok ? av_write_trailer(video->format) : 0;
    if (result < 0) ok = Failed(why, "cannot write", result);
    result = avio_closep(&video->format->pb);
    if (ok && result < 0) ok = Failed(why, "cannot write", result);
    Free(video);
    return ok;
}

void DropVideo(VideoFile* video) {
    std::string why;
    StopWorker(*video, why);
    Free(video);
}
