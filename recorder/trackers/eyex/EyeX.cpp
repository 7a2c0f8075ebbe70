#include "recorder/trackers/eyex/EyeX.h"

#include "recorder/trackers/eyex/EngineLink.h"
#include "recorder/trackers/eyex/LocalSocketLink.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {

std::atomic<bool> initialized = false;
std::atomic<long> nextTicket = 1;

std::mutex factoryMutex;
eyex::EngineLinkFactory linkFactory;

std::unique_ptr<eyex::EngineLink> makeLink()
{
    std::lock_guard lock(factoryMutex);
    if (linkFactory)
        return linkFactory();
    return std::make_unique<eyex::LocalSocketLink>(eyex::LocalSocketLink::defaultSocketPath());
}

} // namespace

struct TxObject
{
    enum class Kind
    {
        Snapshot,
        Interactor,
        Event,
        Behavior,
        AsyncData,
        StateBag,
    };

    explicit TxObject(Kind k) : kind(k) {}

    Kind kind;
    TxContext* context = nullptr;
    // The gaze point data mode the snapshot's interactor asks for, shared by both; 0: none.
    std::shared_ptr<int> gazeMode;
    TX_GAZEPOINTDATAEVENTPARAMS gaze;
    // The engine's answer to a state request; the path is empty for anything else.
    std::string statePath;
    std::vector<double> stateValues;
};

struct TxContext : eyex::EngineSink
{
    void connectionState(int newState) override
    {
        state = newState;
        TX_CONNECTIONSTATECHANGEDCALLBACK handler;
        TX_USERPARAM param;
        {
            std::lock_guard lock(mutex);
            handler = stateHandler;
            param = stateParam;
        }
        if (handler != nullptr)
            handler(newState, param);
    }

    void gazePoint(double timestampMs, double x, double y) override
    {
        TX_ASYNCDATACALLBACK handler;
        TX_USERPARAM param;
        {
            std::lock_guard lock(mutex);
            handler = eventHandler;
            param = eventParam;
        }
        if (handler == nullptr)
            return;
        TxObject data(TxObject::Kind::AsyncData);
        data.context = this;
        data.gaze.GazePointDataMode = TX_GAZEPOINTDATAMODE_LIGHTLYFILTERED;
        data.gaze.Timestamp = timestampMs;
        data.gaze.X = x;
        data.gaze.Y = y;
        handler(&data, param);
    }

    void stateValue(const std::string& path, const std::vector<double>& values) override
    {
        std::vector<StateRequest> answered;
        {
            std::lock_guard lock(mutex);
            const auto split = std::stable_partition(stateRequests.begin(), stateRequests.end(),
                                                     [&](const StateRequest& r) { return r.path != path; });
            answered.assign(split, stateRequests.end());
            stateRequests.erase(split, stateRequests.end());
        }
        TxObject data(TxObject::Kind::AsyncData);
        data.context = this;
        data.statePath = path;
        data.stateValues = values;
        for (const StateRequest& request : answered)
            request.completion(&data, request.param);
    }

    struct StateRequest
    {
        std::string path;
        TX_ASYNCDATACALLBACK completion = nullptr;
        TX_USERPARAM param = nullptr;
    };

    std::unique_ptr<eyex::EngineLink> link;
    std::atomic<int> state = TX_CONNECTIONSTATE_DISCONNECTED;
    std::mutex mutex;
    TX_CONNECTIONSTATECHANGEDCALLBACK stateHandler = nullptr;
    TX_USERPARAM stateParam = nullptr;
    TX_ASYNCDATACALLBACK eventHandler = nullptr;
    TX_USERPARAM eventParam = nullptr;
    // Waiting for the engine's answer; a few at most, each path asked once per connection.
    std::vector<StateRequest> stateRequests;
    // Read by handlers on the link's thread.
    std::atomic<bool> enabled = false;
};

namespace eyex {

void setEngineLinkFactory(EngineLinkFactory factory)
{
    std::lock_guard lock(factoryMutex);
    linkFactory = std::move(factory);
}

} // namespace eyex

TX_RESULT txInitializeEyeX()
{
    initialized = true;
    return TX_RESULT_OK;
}

TX_RESULT txUninitializeEyeX()
{
    if (!initialized.exchange(false))
        return TX_RESULT_EYEXNOTINITIALIZED;
    return TX_RESULT_OK;
}

TX_RESULT txCreateContext(TX_CONTEXTHANDLE* context, bool remoteMode)
{
    if (context == nullptr || remoteMode)
        return TX_RESULT_INVALIDARGUMENT;
    if (!initialized)
        return TX_RESULT_EYEXNOTINITIALIZED;
    auto created = std::make_unique<TxContext>();
    created->link = makeLink();
    *context = created.release();
    return TX_RESULT_OK;
}

TX_RESULT txGetConnectionState(TX_CONTEXTHANDLE context, TX_CONNECTIONSTATE* state)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (state == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    *state = context->state;
    return TX_RESULT_OK;
}

TX_RESULT txRegisterConnectionStateChangedHandler(TX_CONTEXTHANDLE context, TX_TICKET* ticket,
                                                  TX_CONNECTIONSTATECHANGEDCALLBACK handler,
                                                  TX_USERPARAM userParam)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (ticket == nullptr || handler == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    std::lock_guard lock(context->mutex);
    context->stateHandler = handler;
    context->stateParam = userParam;
    *ticket = nextTicket++;
    return TX_RESULT_OK;
}

TX_RESULT txRegisterEventHandler(TX_CONTEXTHANDLE context, TX_TICKET* ticket, TX_ASYNCDATACALLBACK handler,
                                 TX_USERPARAM userParam)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (ticket == nullptr || handler == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    std::lock_guard lock(context->mutex);
    context->eventHandler = handler;
    context->eventParam = userParam;
    *ticket = nextTicket++;
    return TX_RESULT_OK;
}

TX_RESULT txEnableConnection(TX_CONTEXTHANDLE context)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (!context->enabled) {
        context->enabled = true;
        context->link->open(*context);
    }
    return TX_RESULT_OK;
}

TX_RESULT txDisableConnection(TX_CONTEXTHANDLE context)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (context->enabled) {
        context->enabled = false;
        context->link->close();
        context->state = TX_CONNECTIONSTATE_DISCONNECTED;
    }
    return TX_RESULT_OK;
}

TX_RESULT txShutdownContext(TX_CONTEXTHANDLE context, int timeoutMs, bool)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (timeoutMs < 0)
        return TX_RESULT_INVALIDARGUMENT;
    std::lock_guard lock(context->mutex);
    context->stateHandler = nullptr;
    context->eventHandler = nullptr;
    context->stateRequests.clear();
    return TX_RESULT_OK;
}

TX_RESULT txReleaseContext(TX_CONTEXTHANDLE* context)
{
    if (context == nullptr || *context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    txDisableConnection(*context);
    delete *context;
    *context = nullptr;
    return TX_RESULT_OK;
}

TX_RESULT txCreateGlobalInteractorSnapshot(TX_CONTEXTHANDLE context, const TX_CHAR* interactorId,
                                           TX_HANDLE* snapshot, TX_HANDLE* interactor)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (interactorId == nullptr || *interactorId == '\0' || snapshot == nullptr || interactor == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    auto mode = std::make_shared<int>(0);
    *snapshot = new TxObject(TxObject::Kind::Snapshot);
    (*snapshot)->context = context;
    (*snapshot)->gazeMode = mode;
    *interactor = new TxObject(TxObject::Kind::Interactor);
    (*interactor)->context = context;
    (*interactor)->gazeMode = mode;
    return TX_RESULT_OK;
}

TX_RESULT txCreateGazePointDataBehavior(TX_HANDLE interactor, const TX_GAZEPOINTDATAPARAMS* params)
{
    if (interactor == nullptr || interactor->kind != TxObject::Kind::Interactor || params == nullptr ||
        params->GazePointDataMode < TX_GAZEPOINTDATAMODE_UNFILTERED ||
        params->GazePointDataMode > TX_GAZEPOINTDATAMODE_LIGHTLYFILTERED)
        return TX_RESULT_INVALIDARGUMENT;
    *interactor->gazeMode = params->GazePointDataMode;
    return TX_RESULT_OK;
}

TX_RESULT txCommitSnapshotAsync(TX_HANDLE snapshot, TX_ASYNCDATACALLBACK completion, TX_USERPARAM userParam)
{
    if (snapshot == nullptr || snapshot->kind != TxObject::Kind::Snapshot)
        return TX_RESULT_INVALIDARGUMENT;
    TxContext* context = snapshot->context;
    if (*snapshot->gazeMode == 0 || !context->enabled)
        return TX_RESULT_NOTFOUND;
    if (!context->link->subscribeGazePoints(*snapshot->gazeMode))
        return TX_RESULT_UNKNOWN;
    if (completion != nullptr) {
        TxObject done(TxObject::Kind::AsyncData);
        done.context = context;
        completion(&done, userParam);
    }
    return TX_RESULT_OK;
}

TX_RESULT txReleaseObject(TX_HANDLE* object)
{
    if (object == nullptr || *object == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    delete *object;
    *object = nullptr;
    return TX_RESULT_OK;
}

TX_RESULT txGetStateAsync(TX_CONTEXTHANDLE context, const TX_CHAR* statePath, TX_ASYNCDATACALLBACK completion,
                          TX_USERPARAM userParam)
{
    if (context == nullptr)
        return TX_RESULT_INVALIDCONTEXT;
    if (statePath == nullptr || *statePath == '\0' || completion == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    if (!context->enabled)
        return TX_RESULT_NOTFOUND;
    constexpr std::size_t maxWaiting = 16;
    {
        std::lock_guard lock(context->mutex);
        if (context->stateRequests.size() >= maxWaiting)
            return TX_RESULT_UNKNOWN;
        context->stateRequests.push_back({statePath, completion, userParam});
    }
    if (context->link->requestState(statePath))
        return TX_RESULT_OK;
    std::lock_guard lock(context->mutex);
    context->stateRequests.pop_back();
    return TX_RESULT_UNKNOWN;
}

namespace {

// The numbers a state bag holds at the path, when there are exactly `count` of them.
const std::vector<double>* stateNumbers(TX_CONSTHANDLE stateBag, const TX_CHAR* path, std::size_t count)
{
    if (stateBag->statePath != path || stateBag->stateValues.size() != count)
        return nullptr;
    return &stateBag->stateValues;
}

} // namespace

TX_RESULT txGetStateValueAsSize2(TX_CONSTHANDLE stateBag, const TX_CHAR* path, TX_SIZE2* size)
{
    if (stateBag == nullptr || stateBag->kind != TxObject::Kind::StateBag || path == nullptr ||
        size == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    const std::vector<double>* numbers = stateNumbers(stateBag, path, 2);
    if (numbers == nullptr)
        return TX_RESULT_NOTFOUND;
    size->Width = (*numbers)[0];
    size->Height = (*numbers)[1];
    return TX_RESULT_OK;
}

TX_RESULT txGetStateValueAsRectangle(TX_CONSTHANDLE stateBag, const TX_CHAR* path, TX_RECT* rectangle)
{
    if (stateBag == nullptr || stateBag->kind != TxObject::Kind::StateBag || path == nullptr ||
        rectangle == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    const std::vector<double>* numbers = stateNumbers(stateBag, path, 4);
    if (numbers == nullptr)
        return TX_RESULT_NOTFOUND;
    *rectangle = {(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]};
    return TX_RESULT_OK;
}

TX_RESULT txGetAsyncDataContent(TX_CONSTHANDLE asyncData, TX_HANDLE* content)
{
    if (asyncData == nullptr || asyncData->kind != TxObject::Kind::AsyncData || content == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    if (!asyncData->statePath.empty()) {
        *content = new TxObject(TxObject::Kind::StateBag);
        (*content)->context = asyncData->context;
        (*content)->statePath = asyncData->statePath;
        (*content)->stateValues = asyncData->stateValues;
        return TX_RESULT_OK;
    }
    if (asyncData->gaze.GazePointDataMode == 0)
        return TX_RESULT_NOTFOUND;
    *content = new TxObject(TxObject::Kind::Event);
    (*content)->context = asyncData->context;
    (*content)->gaze = asyncData->gaze;
    return TX_RESULT_OK;
}

TX_RESULT txGetEventBehavior(TX_HANDLE event, TX_HANDLE* behavior, TX_BEHAVIORTYPE type)
{
    if (event == nullptr || event->kind != TxObject::Kind::Event || behavior == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    if (type != TX_BEHAVIORTYPE_GAZEPOINTDATA || event->gaze.GazePointDataMode == 0)
        return TX_RESULT_NOTFOUND;
    *behavior = new TxObject(TxObject::Kind::Behavior);
    (*behavior)->context = event->context;
    (*behavior)->gaze = event->gaze;
    return TX_RESULT_OK;
}

TX_RESULT txGetGazePointDataEventParams(TX_HANDLE behavior, TX_GAZEPOINTDATAEVENTPARAMS* params)
{
    if (behavior == nullptr || behavior->kind != TxObject::Kind::Behavior || params == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    *params = behavior->gaze;
    return TX_RESULT_OK;
}

TX_RESULT txFormatObjectAsText(TX_HANDLE object, TX_CHAR* text, TX_SIZE* size)
{
    if (object == nullptr || size == nullptr)
        return TX_RESULT_INVALIDARGUMENT;
    const std::string formatted = "{ \"Type\": " + std::to_string(static_cast<int>(object->kind)) +
                                  ", \"Timestamp\": " + std::to_string(object->gaze.Timestamp) +
                                  ", \"X\": " + std::to_string(object->gaze.X) +
                                  ", \"Y\": " + std::to_string(object->gaze.Y) + " }";
    const auto needed = static_cast<TX_SIZE>(formatted.size() + 1);
    if (text == nullptr) {
        *size = needed;
        return TX_RESULT_OK;
    }
    if (*size < needed)
        return TX_RESULT_INVALIDBUFFERSIZE;
    std::memcpy(text, formatted.c_str(), formatted.size() + 1);
    *size = needed;
    return TX_RESULT_OK;
}
