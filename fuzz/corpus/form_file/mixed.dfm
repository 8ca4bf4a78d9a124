inherited MainForm: TMainForm
  Caption = 'Main' + 
    #39's form'
  object Keyloom1: TKeyloom
    OnlyUnassigned = False
    SortMethod = smCaption
    DefaultCaptions.Strings = (
      'E&xit')
  end
  object Pages: TPageControl
    object Tab1: TTabSheet
      Caption = 'First'
      object rg: TRadioGroup
        Items.Strings = (
          'One'
          '&Two')
      end
    end
  end
  inline Frame1: TFrame1
    object b: TButton [0]
      Caption = 'Gr'#246'&'#223'e'
      Glyph.Data = {
        0A0B}
      Tag = -12
      Anchors = [akLeft, akTop]
      Hint = 1.5E3
    end
  end
  object Menu: TMainMenu
    object miFile: TMenuItem
      Caption = 'File'
      object miExit: TMenuItem
        Caption = 'Exit'
      end
    end
  end
  object Cols: TListView
    Columns = <
      item
        Caption = 'Name'
      end>
  end
end
