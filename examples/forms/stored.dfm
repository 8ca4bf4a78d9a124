object EditorForm: TEditorForm
  Left = 200
  Top = 120
  Width = 480
  Height = 320
  Caption = 'Editor'
  Menu = MainMenu1
  PixelsPerInch = 96
  TextHeight = 13
  object Keyloom1: TKeyloom
    SortMethod = smCaption
    DefaultCaptions.Strings = (
      '&Close'
      'E&xit')
    Left = 400
    Top = 16
  end
  object MainMenu1: TMainMenu
    Left = 360
    Top = 16
    object mFile: TMenuItem
      Caption = 'File'
      object mNew: TMenuItem
        Caption = 'New'
      end
      object mClose: TMenuItem
        Caption = 'Close'
      end
      object mExit: TMenuItem
        Caption = 'Exit'
      end
    end
    object mEdit: TMenuItem
      Caption = 'Edit'
    end
  end
  object bFind: TButton
    Left = 8
    Top = 8
    Width = 75
    Height = 25
    Caption = 'Find'
    TabOrder = 0
  end
  object bReplace: TButton
    Left = 88
    Top = 8
    Width = 75
    Height = 25
    Caption = 'Find and replace'
    TabOrder = 1
  end
end
