// Translator
