// The job's window commands: each reads what it needs from the main window
// once, hands it to job/, and shows the outcome.
#pragma once

#include "job/request.h"
#include "ui/toolkit.h"

namespace trivex {

class App;

// The main window's state as a job description.
job::JobRequest readJobRequest(App& app);

// The image file button 打开1 (and the keys F and S). Restore mode: the open
// dialog, from the program's folder. Backup mode: the save dialog, the folder
// E:\Ghost made, and a placeholder file at the chosen path where nothing is
// yet. Either way the boot menu is saved and the probe script removed.
void chooseImage(App& app, WindowId, int);
// 确定 (and the key Y): prepares the job; on success the restart prompt.
// A refusal or a failure is told, and the main window stays.
void prepareJob(App& app, WindowId, int);
// 销毁按钮 (and the key U): the undo prompt, modal, until it closes.
void askUndo(App& app, WindowId, int);
// The undo prompt's Yes: undoes the job, closes the prompt, disables the
// undo button, and tells the user about anything that did not go.
void undoConfirmed(App& app, WindowId, int);
// The Ghost32 check box was clicked (it has toggled already).
void ghost32Switch(App& app, WindowId, int);

// What the last job did, from its outcome record: in the status bar, and a
// failure in a message box too; each record is told once, then removed.
// At start-up, and before an undo or a new job.
void showOutcomes(App& app);
// At start-up: a job cut short is taken back, and the user told.
void repairCutJob(App& app);
// At start-up, before the outcomes: the store's entries of finished jobs go
// (and the one-time boot they replaced comes back); entries described like
// ours that no record names are told.
void tidyStore(App& app);
// A whole job that waits for the next restart, named: at start in the
// status bar (a restore in a message box too), when the program closes in a
// message box.
void showWaitingJob(App& app, bool atStart);


}  // namespace trivex
