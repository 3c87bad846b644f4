#include "forms/batch/BatchWork.h"

#include "forms/batch/BatchList.h"

namespace vellumora {

TThumbnailLoader::TThumbnailLoader(QObject* parent) : QObject(parent) {}

quint64 TThumbnailLoader::Add(const QStringList& files) {
    const quint64 first = nextKey_;
    for (const QString& file : files)
        runner_.Start([file](const TJobContext&) { return LoadBatchThumbnail(file); },
                      [this, key = nextKey_++, file](const QImage& thumbnail) {
                          emit Loaded(key, file, thumbnail);
                      });
    return first;
}

TBatchJob::TBatchJob(QObject* parent) : QObject(parent) {}

bool TBatchJob::Start(std::vector<TPhotoInfo> entries, TBatchOptions options) {
    if (running_) return false;
    running_ = true;
    job_ = runner_.Start(
        [this, entries = std::move(entries),
         options = std::move(options)](const TJobContext& context) {
            TExportRun run;
            run.stop = &context.StopFlag();
            run.progress = [this, &context](const TBatchItem& item, int done, int total) {
                context.Post([this, item, done, total] { emit Progress(item, done, total); });
                return !context.Stopping();
            };
            return RunBatch(entries, options, run);
        },
        [this](const TBatchResult& result) {
            running_ = false;
            emit Finished(result);
        });
    return true;
}

}  // namespace vellumora
