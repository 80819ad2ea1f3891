#pragma once
// Messages a command's worker posts to the window it notifies.

// wParam: the command; lParam: the progress position.
constexpr unsigned UM_PROGRESS = 1725;
// wParam the run tag (GenericCommand::SetRunTag, 0 unless set), lParam 0:
// the run ended and the output holds its result.
constexpr unsigned UM_RUNDONE = 1794;
// wParam the run tag, lParam 0: the run was stopped or failed; the output is
// empty.
constexpr unsigned UM_RUNFAILED = 1795;
