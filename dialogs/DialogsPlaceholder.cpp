// The dialogs live here.
