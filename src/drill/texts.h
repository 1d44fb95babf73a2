#pragma once
// The program's fixed texts, exactly as students and instructors know them.
namespace drill::texts {

inline constexpr const char* kCaption = "Assignment Drill";

inline constexpr const char* kHomeDir = "c:\\tarnholm";
inline constexpr const char* kNetworkDir =
    "i:\\bkp_000416\\My Documents\\distance students\\interactive problems\\lb1";

inline constexpr const char* kPrompt1 = "Enter 1 for home user, 2 for KOLV LAN user";
inline constexpr const char* kPrompt2 = "Your full name:  ";
inline constexpr const char* kPrompt3 =
    "Your initials (use all 3 initials and always use the same three initials when "
    "submitting work):  ";
inline constexpr const char* kPrompt4 = "Assignment Number:  ";

inline constexpr const char* kMasterPart = "\\masterFile_";
inline constexpr const char* kSendPart = "\\send_";
inline constexpr const char* kNotesPart = "\\notes_";
inline constexpr const char* kFileEnding = ".txt";

inline constexpr const char* kInstruction1 =
    "Enter, as appropriate, an answer to the question, a critique of your answer in response "
    "to a given answer, your insights regarding the situation at this point, notes to "
    "yourself, or just an OK.";
inline constexpr const char* kInstruction2 =
    "Always critique your solutions by describing any insights you had or errors you makde, "
    "and by explaining how you can make use of the insight or how you now know how to avoid "
    "certain errors.  Also pose for the instructor any question or questions that you have "
    "related to the problem or series of problems.";

inline constexpr const char* kQaSeparator = " <-<-<-<-  Q/A:   ";
inline constexpr const char* kAnswerSeparator = " YOUR ANSWER  ->->->->  ";

inline constexpr const char* kMessageA =
    "You have probably not entered a valid assignment number.  Make sure the assignment "
    "number is a number, like 1 or 8 or 15 or 27 etc., and make sure that this assignment is "
    "supposed to be in the current pelk.  This program will end and you will need to start "
    "over.  If you are sure you have entered a valid assignment number email the instructor "
    "and specify that you have received a 'subscript out of range' error";
inline constexpr const char* kMessageB =
    "You have encountered an error.  If you are encountering this error repeatedly you "
    "should report the error number to the instructor and explain exactly what you were "
    "doing, keystroke by keystroke, when the error occurred.  The error is:  ";

}  // namespace drill::texts
