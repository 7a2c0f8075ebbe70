#pragma once

// The EyeX client calls and constants the recorder uses. Results, states and
// modes keep the engine's numbering; the engine itself is reached through an
// EngineLink (EngineLink.h).

#include <cstddef>

using TX_RESULT = int;
using TX_CONNECTIONSTATE = int;
using TX_GAZEPOINTDATAMODE = int;
using TX_BEHAVIORTYPE = int;
using TX_REAL = double;
using TX_TICKET = long;
using TX_CHAR = char;
using TX_SIZE = int;
using TX_USERPARAM = void*;

struct TxContext;
struct TxObject;
using TX_CONTEXTHANDLE = TxContext*;
using TX_HANDLE = TxObject*;
using TX_CONSTHANDLE = const TxObject*;

constexpr TX_RESULT TX_RESULT_UNKNOWN = 0;
constexpr TX_RESULT TX_RESULT_INVALIDARGUMENT = 1;
constexpr TX_RESULT TX_RESULT_OK = 2;
constexpr TX_RESULT TX_RESULT_NOTFOUND = 3;
constexpr TX_RESULT TX_RESULT_INVALIDCONTEXT = 4;
constexpr TX_RESULT TX_RESULT_EYEXNOTINITIALIZED = 5;
constexpr TX_RESULT TX_RESULT_INVALIDBUFFERSIZE = 6;

constexpr TX_CONNECTIONSTATE TX_CONNECTIONSTATE_CONNECTED = 1;
constexpr TX_CONNECTIONSTATE TX_CONNECTIONSTATE_DISCONNECTED = 2;
constexpr TX_CONNECTIONSTATE TX_CONNECTIONSTATE_TRYINGTOCONNECT = 3;
constexpr TX_CONNECTIONSTATE TX_CONNECTIONSTATE_SERVERVERSIONTOOLOW = 4;
constexpr TX_CONNECTIONSTATE TX_CONNECTIONSTATE_SERVERVERSIONTOOHIGH = 5;

constexpr TX_GAZEPOINTDATAMODE TX_GAZEPOINTDATAMODE_UNFILTERED = 1;
constexpr TX_GAZEPOINTDATAMODE TX_GAZEPOINTDATAMODE_LIGHTLYFILTERED = 2;

constexpr TX_BEHAVIORTYPE TX_BEHAVIORTYPE_GAZEPOINTDATA = 1;

constexpr TX_TICKET TX_INVALID_TICKET = 0;
constexpr TX_CONTEXTHANDLE TX_EMPTY_HANDLE = nullptr;

struct TX_GAZEPOINTDATAPARAMS
{
    TX_GAZEPOINTDATAMODE GazePointDataMode = 0;
};

// Sizes and rectangles read from the engine's state.
struct TX_SIZE2
{
    TX_REAL Width = 0;
    TX_REAL Height = 0;
};

struct TX_RECT
{
    TX_REAL X = 0;
    TX_REAL Y = 0;
    TX_REAL Width = 0;
    TX_REAL Height = 0;
};

// The physical size of the display the tracker is mounted on, in millimetres.
inline constexpr const TX_CHAR* TX_STATEPATH_EYETRACKINGDISPLAYSIZE = "eyeTracking.displaySize";
// That display's bounds on the desktop, in pixels.
inline constexpr const TX_CHAR* TX_STATEPATH_EYETRACKINGSCREENBOUNDS = "eyeTracking.screenBounds";

struct TX_GAZEPOINTDATAEVENTPARAMS
{
    TX_GAZEPOINTDATAMODE GazePointDataMode = 0;
    TX_REAL Timestamp = 0; // ms, engine time
    TX_REAL X = 0;         // screen pixels
    TX_REAL Y = 0;
};

using TX_CONNECTIONSTATECHANGEDCALLBACK = void (*)(TX_CONNECTIONSTATE state, TX_USERPARAM userParam);
using TX_ASYNCDATACALLBACK = void (*)(TX_CONSTHANDLE asyncData, TX_USERPARAM userParam);

// The engine client library is initialised once per process; the hooks of the
// vendor's call are not offered, so they are always "none".
TX_RESULT txInitializeEyeX();
TX_RESULT txUninitializeEyeX();

TX_RESULT txCreateContext(TX_CONTEXTHANDLE* context, bool remoteMode);
TX_RESULT txShutdownContext(TX_CONTEXTHANDLE context, int timeoutMs, bool forceShutdown);
TX_RESULT txReleaseContext(TX_CONTEXTHANDLE* context);
TX_RESULT txGetConnectionState(TX_CONTEXTHANDLE context, TX_CONNECTIONSTATE* state);

TX_RESULT txRegisterConnectionStateChangedHandler(TX_CONTEXTHANDLE context, TX_TICKET* ticket,
                                                  TX_CONNECTIONSTATECHANGEDCALLBACK handler,
                                                  TX_USERPARAM userParam);
TX_RESULT txRegisterEventHandler(TX_CONTEXTHANDLE context, TX_TICKET* ticket, TX_ASYNCDATACALLBACK handler,
                                 TX_USERPARAM userParam);
TX_RESULT txEnableConnection(TX_CONTEXTHANDLE context);
TX_RESULT txDisableConnection(TX_CONTEXTHANDLE context);

// A snapshot holding one global interactor; the interactor is handed out as well.
TX_RESULT txCreateGlobalInteractorSnapshot(TX_CONTEXTHANDLE context, const TX_CHAR* interactorId,
                                           TX_HANDLE* snapshot, TX_HANDLE* interactor);
TX_RESULT txCreateGazePointDataBehavior(TX_HANDLE interactor, const TX_GAZEPOINTDATAPARAMS* params);
TX_RESULT txCommitSnapshotAsync(TX_HANDLE snapshot, TX_ASYNCDATACALLBACK completion, TX_USERPARAM userParam);
TX_RESULT txReleaseObject(TX_HANDLE* object);

// Asks the engine for the state at a path. The completion is called on the library's thread
// once the engine answers, with asynchronous data whose content is a state bag; an engine
// that never answers never calls it.
TX_RESULT txGetStateAsync(TX_CONTEXTHANDLE context, const TX_CHAR* statePath, TX_ASYNCDATACALLBACK completion,
                          TX_USERPARAM userParam);
// A state bag's value at a path: TX_RESULT_NOTFOUND when the bag holds another path or
// a value of another shape.
TX_RESULT txGetStateValueAsSize2(TX_CONSTHANDLE stateBag, const TX_CHAR* path, TX_SIZE2* size);
TX_RESULT txGetStateValueAsRectangle(TX_CONSTHANDLE stateBag, const TX_CHAR* path, TX_RECT* rectangle);

// Event handler side: the event (or state bag) inside the asynchronous data, its gaze
// behaviour and parameters.
TX_RESULT txGetAsyncDataContent(TX_CONSTHANDLE asyncData, TX_HANDLE* content);
TX_RESULT txGetEventBehavior(TX_HANDLE event, TX_HANDLE* behavior, TX_BEHAVIORTYPE type);
TX_RESULT txGetGazePointDataEventParams(TX_HANDLE behavior, TX_GAZEPOINTDATAEVENTPARAMS* params);
// Copies the text and its terminating zero into text; with text null, only reports the size needed.
TX_RESULT txFormatObjectAsText(TX_HANDLE object, TX_CHAR* text, TX_SIZE* size);
