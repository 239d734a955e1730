// TranslationTable
