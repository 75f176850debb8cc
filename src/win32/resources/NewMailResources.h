// Resource ids of the new-message dialog, shared by postwacht.rc and its window.
#pragma once

// The window icon: a mailbox with a raised red flag (scripts/make-mailbox-icon.py).
#define IDI_NEWMAIL_MAILBOX 301
