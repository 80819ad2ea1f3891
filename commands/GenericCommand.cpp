#include "commands/GenericCommand.h"

#include <exception>

#include "commands/CommandMessages.h"
#include "commands/MaskedComposite.h"
#include "platform/MessageBox.h"

GenericCommand::GenericCommand() = default;

GenericCommand::~GenericCommand() { Stop(); }

void GenericCommand::BuildParams() {}

int GenericCommand::Run(CCommandJob& /*job*/) { return -3; }

int GenericCommand::Query(int /*what*/) const { return 1; }

std::string GenericCommand::Name() const { return "GenericCommand"; }

CStatus GenericCommand::Start() {
  if (IsRunning()) return MakeStatus(keErrBadArgument);
  m_stop = false;

  m_progress.Reset();
  m_progress.SetPositionCallback(&GenericCommand::OnPosition);
  m_progress.SetAbortCallback(&GenericCommand::OnAbortQuery);
  m_progress.SetOwner(this);

  // The previous worker has ended; its thread object is let go here.
  if (m_thread.joinable()) m_thread.join();

  if (m_outputOverInput) {
    m_output.Share(m_input).RaiseIfError();
  } else {
    // The previous run's output storage, when it is the command's alone,
    // takes the copy: a dialog runs again and again.
    m_output.CopyReusingStorage(m_input).RaiseIfError();
  }

  m_job = CCommandJob();
  m_job.input = &m_input;
  m_job.output = &m_output;
  m_job.mask = &m_mask;
  m_job.settings = m_settings;
  m_job.lock = &m_jobLock;
  m_job.progress = &m_progress;
  m_job.notify = m_notify;
  m_runMessages.clear();

  m_finished = false;
  try {
    m_thread = std::thread(&GenericCommand::Worker, this);
  } catch (...) {
    m_finished = true;
    return MakeStatus(keErrOutOfMemory);
  }
  return CStatus();
}

void GenericCommand::Stop() {
  m_stop = true;
  if (m_thread.joinable()) m_thread.join();
  m_stop = false;
}

bool GenericCommand::IsRunning() const { return m_thread.joinable() && !m_finished.load(); }

void GenericCommand::Worker() {
  m_busy = true;
  int result = -3;
  bool failed = false;
  int recordedErrors = 0;
  std::unique_ptr<platform::ScopedThreadMessageBoxHandler> recorder;
  if (m_recordMessages) {
    recorder = std::make_unique<platform::ScopedThreadMessageBoxHandler>(
        [this, &recordedErrors](const platform::MessageBoxRequest& box) {
          if (box.icon == platform::MessageBoxIcon::kError) {
            ++recordedErrors;
            m_runMessages.push_back(box.text);
          }
          return platform::DefaultAnswer(box.buttons);
        });
  }
  try {
    if (m_job.holdLock) {
      std::lock_guard<std::mutex> lock(*m_job.lock);
      result = Run(m_job);
    } else {
      result = Run(m_job);
    }
    // A run that could only report an error to the user has no result.
    failed = result == 100 || result == -6 || recordedErrors != 0;
    if (!failed && !m_input.IsEmpty() && !m_mask.IsEmpty()) {
      // Only the selection changes: the result is mixed with the input
      // through the mask.
      CImageBuffer mixed;
      MaskedComposite(m_input, m_output, m_mask, &mixed).RaiseIfError();
      m_output.Clear();
      m_output = std::move(mixed);
    }
  } catch (...) {
    // No exception leaves the worker: every failure ends the run the same way.
    failed = true;
  }
  recorder.reset();

  // The worker counts as ended before its message arrives, so an owner that
  // starts again on the message is not refused.
  if (failed) {
    if (!m_output.IsEmpty()) m_output.Clear();
    m_busy = false;
    m_stop = false;
    m_finished = true;
    if (m_job.notify != nullptr) platform::PostWindowMessage(m_job.notify, UM_RUNFAILED, m_runTag, 0);
  } else {
    m_busy = false;
    m_finished = true;
    if (m_job.notify != nullptr) platform::PostWindowMessage(m_job.notify, UM_RUNDONE, m_runTag, 0);
  }
}

int GenericCommand::OnPosition(CProgress* progress) {
  auto* command = static_cast<GenericCommand*>(progress->Owner());
  if (command->m_job.notify != nullptr) {
    platform::PostWindowMessage(command->m_job.notify, UM_PROGRESS, reinterpret_cast<std::uintptr_t>(command),
                                static_cast<std::intptr_t>(progress->Position()));
  }
  return command->m_stop ? 1 : 0;
}

int GenericCommand::OnAbortQuery(CProgress* progress) {
  return static_cast<GenericCommand*>(progress->Owner())->m_stop ? 1 : 0;
}
